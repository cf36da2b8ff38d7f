// The user-interface thread of the native tests: posted tasks wait in a queue until
// the test pumps them on its own thread.
#pragma once

#include "platform/UiDispatcher.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace maskaddr::test {

class TFakeUiDispatcher final : public IUiDispatcher {
public:
    bool Post(std::function<void()> task) override {
        std::lock_guard lock(FMutex);
        FTasks.push_back(std::move(task));
        FArrived.notify_all();
        return true;
    }
    // Waits up to `wait` for `count` tasks and runs those that came, in order; returns how many ran.
    size_t Pump(size_t count, std::chrono::milliseconds wait = std::chrono::seconds(10)) {
        std::unique_lock lock(FMutex);
        FArrived.wait_for(lock, wait, [&] { return FTasks.size() >= count; });
        std::deque<std::function<void()>> ready;
        while (!FTasks.empty() && ready.size() < count) {
            ready.push_back(std::move(FTasks.front()));
            FTasks.pop_front();
        }
        lock.unlock();
        for (auto& task : ready)
            task();
        return ready.size();
    }

private:
    std::mutex FMutex;
    std::condition_variable FArrived;
    std::deque<std::function<void()>> FTasks;
};

} // namespace maskaddr::test
