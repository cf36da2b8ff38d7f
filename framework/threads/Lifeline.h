// TLifeline: how work handed to the user-interface thread finds out whether its
// target still exists. The target owns the lifeline and drops it when destroyed;
// the work holds only a weak end and reaches the target while the line holds.
#pragma once

#include <memory>
#include <utility>

namespace maskaddr {

template <typename T> class TLifeline {
public:
    using TWeak = std::weak_ptr<T*>;

    explicit TLifeline(T* target) : FTarget(std::make_shared<T*>(target)) {}
    TLifeline(const TLifeline&) = delete;
    TLifeline& operator=(const TLifeline&) = delete;

    // The weak end; any thread may copy it.
    TWeak Weak() const { return FTarget; }
    // fn(target, arguments...) as a callable that does nothing once the target is gone.
    template <typename F> auto Guard(F fn) const { return WhileAlive(Weak(), std::move(fn)); }

    // Call the result on the user-interface thread only, where targets are destroyed: a
    // target found alive there stays alive until the call returns.
    template <typename F> static auto WhileAlive(TWeak weak, F fn) {
        return [weak = std::move(weak), fn = std::move(fn)](auto&&... arguments) {
            if (std::shared_ptr<T*> target = weak.lock())
                fn(**target, std::forward<decltype(arguments)>(arguments)...);
        };
    }

private:
    std::shared_ptr<T*> FTarget;
};

} // namespace maskaddr
