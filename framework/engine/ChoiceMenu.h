// IChoiceMenu: the menu item through which the user picks a language or a skin; the
// engine fills its sub-items from the files it finds and ticks the current one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace maskaddr {

// A menu item that lists the languages or skins as its sub-items.
class IChoiceMenu {
public:
    virtual ~IChoiceMenu() = default;
    virtual size_t SubItemCount() = 0;
    virtual void SetSubItems(const std::vector<std::string>& captions, const std::vector<bool>& checked,
                             std::function<void(const std::string& caption)> onClick) = 0;
    virtual void SetChecked(size_t index, bool checked) = 0;
    virtual void Hide() = 0;
};

} // namespace maskaddr
