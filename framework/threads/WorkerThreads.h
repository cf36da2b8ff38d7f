// The program's short-lived worker threads (IP lookups, keep-alive requests,
// downloads). Every worker is started here and joined once it has ended, so none
// is left running unseen: the program's end, and each test, waits for the rest.
#pragma once

#include <chrono>
#include <functional>

namespace maskaddr::WorkerThreads {

// Runs `work` on a new thread and returns at once. An exception that leaves `work` is
// traced and ends the thread. False, with `work` not run, when no thread could start.
bool Start(std::function<void()> work);

// Waits up to `limit` for every worker to end and joins those that have. True when
// none is left; a worker still running after `limit` stays listed for a later call.
bool JoinAll(std::chrono::milliseconds limit);

} // namespace maskaddr::WorkerThreads
