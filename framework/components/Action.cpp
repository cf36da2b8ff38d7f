// Actions (see Action.h).
#include "framework/components/Action.h"

namespace maskaddr {

TAction::TAction(TComponent* owner, std::string name, std::string caption, int commandId)
    : TComponent(owner, std::move(name), "TAction"), FCommandId(commandId), FCaption(std::move(caption)) {
    AddAncestor("TBasicAction");
    Publish(TextProperty(
        "Caption", "TCaption", [this] { return FCaption; }, [this](const std::string& v) { SetCaption(v); }));
    Publish(TextProperty(
        "Hint", "string", [this] { return FHint; }, [this](const std::string& v) { SetHint(v); }));
}

void TAction::SetCaption(const std::string& caption) {
    if (caption == FCaption) return;
    FCaption = caption;
    Changed();
}

void TAction::SetHint(const std::string& hint) {
    FHint = hint;
    Changed();
}

void TAction::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    Changed();
}

void TAction::Changed() {
    for (auto& listener : FListeners)
        listener();
}

} // namespace maskaddr
