// A thread that runs one task at once and then every interval until it is stopped; Stop
// wakes it from its wait, so stopping never waits out an interval.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace maskaddr::service {

class TPeriodic {
public:
    ~TPeriodic() { Stop(); }

    void Start(std::chrono::milliseconds every, std::function<void()> task) {
        FStopping = false;
        FThread = std::thread([this, every, task = std::move(task)] {
            std::unique_lock<std::mutex> hold(FLock);
            while (!FStopping) {
                hold.unlock();
                task();
                hold.lock();
                FWake.wait_for(hold, every, [this] { return FStopping.load(); });
            }
        });
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> hold(FLock);
            FStopping = true;
        }
        FWake.notify_all();
        if (FThread.joinable()) FThread.join();
    }

    // For a long task: whether to end early.
    bool Stopping() const { return FStopping; }

private:
    std::mutex FLock;
    std::condition_variable FWake;
    std::atomic<bool> FStopping{false};
    std::thread FThread;
};

} // namespace maskaddr::service
