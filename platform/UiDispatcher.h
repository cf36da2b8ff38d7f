// Hands work from any thread to the user-interface thread, which runs it from its
// message loop in the order it was posted.
#pragma once

#include <functional>

namespace maskaddr {

class IUiDispatcher {
public:
    virtual ~IUiDispatcher() = default;
    // False when the user-interface thread takes no more work; the task is then
    // destroyed on the calling thread without running.
    virtual bool Post(std::function<void()> task) = 0;
};

} // namespace maskaddr
