// A language or skin menu as a Win32 submenu (see ChoiceMenuWin.h).
#include "ui/win32/ChoiceMenuWin.h"

#include "platform/win32/WinText.h"

namespace maskaddr {

TChoiceMenuWin::TChoiceMenuWin(UINT firstCommand) : FFirstCommand(firstCommand) {}

TChoiceMenuWin::~TChoiceMenuWin() {
    Detach();
}

void TChoiceMenuWin::SetSubItems(const std::vector<std::string>& captions, const std::vector<bool>& checked,
                                 std::function<void(const std::string& caption)> onClick) {
    FMenu.Attach(CreatePopupMenu());
    if (!FMenu) {
        TraceLastError("CreatePopupMenu");
        return;
    }
    FNames = captions;
    FOnClick = std::move(onClick);
    for (size_t i = 0; i < captions.size(); ++i) {
        const UINT flags = MF_STRING | (i < checked.size() && checked[i] ? MF_CHECKED : MF_UNCHECKED);
        if (!AppendMenuW(FMenu.Get(), flags, FFirstCommand + static_cast<UINT>(i),
                         ToWide(captions[i]).c_str()))
            TraceLastError("AppendMenuW", captions[i]);
    }
}

void TChoiceMenuWin::SetChecked(size_t index, bool checked) {
    if (FMenu && index < FNames.size())
        CheckMenuItem(FMenu.Get(), FFirstCommand + static_cast<UINT>(index),
                      MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TChoiceMenuWin::AppendTo(HMENU menu) {
    Detach();
    if (FHidden || !FMenu || FNames.empty()) return;
    if (AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(FMenu.Get()),
                    ToWide(Caption).c_str()))
        FParent = menu;
    else
        TraceLastError("AppendMenuW", Caption);
}

void TChoiceMenuWin::Detach() {
    if (FParent == nullptr) return;
    for (int i = GetMenuItemCount(FParent) - 1; i >= 0; --i)
        if (GetSubMenu(FParent, i) == FMenu.Get()) RemoveMenu(FParent, static_cast<UINT>(i), MF_BYPOSITION);
    FParent = nullptr;
}

bool TChoiceMenuWin::OnCommand(UINT command) {
    if (command < FFirstCommand || command - FFirstCommand >= FNames.size()) return false;
    // The choice may rebuild the menus: the name is copied first.
    const std::string name = FNames[command - FFirstCommand];
    if (FOnClick) FOnClick(name);
    return true;
}

} // namespace maskaddr
