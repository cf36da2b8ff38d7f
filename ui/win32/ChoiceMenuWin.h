// A language or skin menu as a Win32 submenu: the engine fills it with one item per
// name and ticks the current one; the window that shows it appends it to its own menu
// and hands it the commands of its items.
#pragma once

#include "framework/components/ChoiceMenu.h"
#include "platform/win32/Handles.h"

#include <windows.h>

namespace maskaddr {

class TChoiceMenuWin final : public IChoiceMenu {
public:
    // The items take the command identifiers firstCommand, firstCommand + 1, ...
    explicit TChoiceMenuWin(UINT firstCommand);
    // Leaves the menu it was appended to, which would otherwise destroy it a second time.
    ~TChoiceMenuWin() override;
    TChoiceMenuWin(const TChoiceMenuWin&) = delete;
    TChoiceMenuWin& operator=(const TChoiceMenuWin&) = delete;

    // The caption of the item that opens the submenu.
    std::string Caption;
    // Appends the submenu to `menu` under Caption, unless it is hidden or still empty.
    void AppendTo(HMENU menu);
    // Takes the submenu out of the menu it was appended to, without destroying it.
    void Detach();
    // True when the command was one of the items: its name has then been chosen.
    bool OnCommand(UINT command);

    size_t SubItemCount() override { return FNames.size(); }
    void SetSubItems(const std::vector<std::string>& captions, const std::vector<bool>& checked,
                     std::function<void(const std::string& caption)> onClick) override;
    void SetChecked(size_t index, bool checked) override;
    void Hide() override { FHidden = true; }

private:
    UINT FFirstCommand;
    TMenuHandle FMenu;
    HMENU FParent = nullptr;
    std::vector<std::string> FNames;
    std::function<void(const std::string&)> FOnClick;
    bool FHidden = false;
};

} // namespace maskaddr
