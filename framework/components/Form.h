// The portable side of a window: a component that owns the window's components
// and carries the layout properties the form base may normalise.
#pragma once

#include "framework/components/Component.h"

namespace maskaddr {

enum class TFormPosition { Designed, ScreenCenter, MainFormCenter };

class TForm : public TComponent {
public:
    TForm(TComponent* owner, std::string name, std::string className)
        : TComponent(owner, std::move(name), std::move(className)) {
        AddAncestor("TForm");
    }
    bool Scaled = true;     // scale with the screen's text size
    bool AutoScroll = true; // scroll bars when the content does not fit
    bool AutoSize = false;  // size to the content
    TFormPosition Position = TFormPosition::Designed;
};

} // namespace maskaddr
