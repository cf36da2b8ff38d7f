// IChoiceMenu: the menu item through which the user picks a language or a skin; the
// engine fills its sub-items from the files it finds and ticks the current one.
// TFileChoice: the files of one kind in one of the program's folders (languages, skins) as
// the names to choose among, read once, and the menu item that offers them.
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace maskaddr {

class TCLSettings;

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

class TFileChoice {
public:
    // The folder is the one the setting folderSetting names in the program's folder; a file's
    // name is cut at its last dot extensionCuts times ("Steel.nsf.skn" takes two), and first
    // is the built-in choice, which needs no file.
    TFileChoice(const TPlatform& platform, TCLSettings& settings, std::string folderSetting,
                std::string extension, std::string first, int extensionCuts);

    std::string Folder() const;
    // The file of a name in the folder with that extension; "" for a name that would reach
    // outside it (a path separator or a drive), which the user file may hold from anyone.
    std::string FileOf(const std::string& name, const std::string& extension) const;
    // first, then the names of the files in alphabetical order (without regard to case),
    // read at the first call.
    const std::vector<std::string>& List();
    void SetMenuItem(IChoiceMenu* item) { FMenuItem = item; }
    // Fills an empty menu item with the list, current ticked, and select called with the
    // name clicked; hides it when there is nothing to choose.
    void BuildMenu(const std::string& current, std::function<void(const std::string&)> select);
    // Ticks current in the menu item and clears every other tick.
    void CheckMenu(const std::string& current);

private:
    TPlatform FPlatform;
    TCLSettings& FSettings;
    std::string FFolderSetting, FExtension, FFirst;
    int FExtensionCuts;
    std::vector<std::string> FList;
    bool FListRead = false;
    IChoiceMenu* FMenuItem = nullptr;
};

} // namespace maskaddr
