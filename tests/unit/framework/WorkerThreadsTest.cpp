// The worker list: the wait at the end lasts while a worker runs, and a worker that
// throws ends with a trace line.
#include "framework/threads/WorkerThreads.h"
#include "fakes/FakePlatform.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

using namespace maskaddr;
using namespace maskaddr::test;
using namespace std::chrono_literals;

TEST(WorkerThreadsTest, JoinAllWaitsForRunningWorkersAndAThrowingWorkerEnds) {
    TFakePlatform P;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ASSERT_TRUE(WorkerThreads::Start([released] { released.wait(); }));
    ASSERT_TRUE(WorkerThreads::Start([] { throw std::runtime_error("no route"); }));
    EXPECT_FALSE(WorkerThreads::JoinAll(0ms)) << "one worker still waits";
    release.set_value();
    ASSERT_TRUE(WorkerThreads::JoinAll(10s));
    EXPECT_EQ(P.Trace.Lines, std::vector<std::string>{"[WorkerThreads] Worker failed: no route"});
}
