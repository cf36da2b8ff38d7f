// TAction: a command with a caption, a hint and a tick mark, bound to buttons and
// menu items, each identified by a stable command identifier. Bound controls
// follow the action's caption and state through its change listeners.
#pragma once

#include "framework/components/Component.h"

#include <functional>
#include <vector>

namespace maskaddr {

class TAction : public TComponent {
public:
    TAction(TComponent* owner, std::string name, std::string caption, int commandId);

    int CommandId() const { return FCommandId; }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint);
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);

    std::function<void()> OnExecute;
    void Execute() {
        if (OnExecute) OnExecute();
    }
    void AddChangeListener(std::function<void()> listener) { FListeners.push_back(std::move(listener)); }

private:
    void Changed();
    int FCommandId;
    std::string FCaption, FHint;
    bool FChecked = false;
    std::vector<std::function<void()>> FListeners;
};

} // namespace maskaddr
