// The worker list (see WorkerThreads.h). A worker moves itself from the running list
// to the ended list as its last act; starting a new worker joins the ended ones, so
// the list stays as short as the work in flight.
#include "framework/threads/WorkerThreads.h"

#include "base/DebugTrace.h"

#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace maskaddr::WorkerThreads {

namespace {

constexpr char kTag[] = "WorkerThreads";

struct TList {
    std::mutex Lock;
    std::condition_variable WorkerEnded;
    std::map<std::thread::id, std::thread> Running;
    std::vector<std::thread> Ended; // past their last act, not yet joined
};

// Never destroyed: a worker that outlives every wait still ends by reporting here.
TList& List() {
    static TList* list = new TList;
    return *list;
}

void JoinEnded(TList& list) {
    std::vector<std::thread> ended;
    {
        std::lock_guard<std::mutex> hold(list.Lock);
        ended.swap(list.Ended);
    }
    for (std::thread& thread : ended)
        thread.join(); // at most the moment the thread needs to return
}

void Run(std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        DebugTrace::Trace(kTag, std::string("Worker failed: ") + e.what());
    } catch (...) {
        DebugTrace::Trace(kTag, "Worker failed with an unknown exception");
    }
    // What the work holds goes while the thread still counts as running.
    work = nullptr;
    TList& list = List();
    std::lock_guard<std::mutex> hold(list.Lock);
    auto self = list.Running.find(std::this_thread::get_id());
    list.Ended.push_back(std::move(self->second));
    list.Running.erase(self);
    list.WorkerEnded.notify_all();
}

} // namespace

bool Start(std::function<void()> work) {
    TList& list = List();
    JoinEnded(list);
    std::string failure;
    {
        // The new thread reports its end under the same lock, so it finds itself listed.
        std::lock_guard<std::mutex> hold(list.Lock);
        try {
            std::thread thread([work = std::move(work)]() mutable { Run(work); });
            const std::thread::id id = thread.get_id();
            list.Running.emplace(id, std::move(thread));
            return true;
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    DebugTrace::Trace(kTag, "Worker not started: " + failure);
    return false;
}

bool JoinAll(std::chrono::milliseconds limit) {
    TList& list = List();
    bool none;
    {
        std::unique_lock<std::mutex> hold(list.Lock);
        none = list.WorkerEnded.wait_for(hold, limit, [&] { return list.Running.empty(); });
    }
    JoinEnded(list);
    return none;
}

} // namespace maskaddr::WorkerThreads
