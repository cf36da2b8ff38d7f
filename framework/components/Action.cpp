// Actions (see Action.h).
#include "framework/components/Action.h"

namespace maskaddr {

TAction::TAction(TComponent* owner, std::string name, std::string caption, int commandId)
    : TComponent(owner, std::move(name), "TAction"), FCommandId(commandId), FCaption(std::move(caption)) {
    AddAncestor("TBasicAction");
    TProperty caption_;
    caption_.Name = "Caption";
    caption_.TypeName = "TCaption";
    caption_.Get = [this] { return FCaption; };
    caption_.Set = [this](const std::string& v) { SetCaption(v); };
    Publish(std::move(caption_));
    TProperty hint;
    hint.Name = "Hint";
    hint.TypeName = "string";
    hint.Get = [this] { return FHint; };
    hint.Set = [this](const std::string& v) { SetHint(v); };
    Publish(std::move(hint));
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
