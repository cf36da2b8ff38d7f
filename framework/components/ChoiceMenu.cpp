// The choice among a folder's files and its menu (see ChoiceMenu.h).
#include "framework/components/ChoiceMenu.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"

#include <algorithm>
#include <utility>

namespace maskaddr {

TFileChoice::TFileChoice(const TPlatform& platform, TCLSettings& settings, std::string folderSetting,
                         std::string extension, std::string first, int extensionCuts)
    : FPlatform(platform), FSettings(settings), FFolderSetting(std::move(folderSetting)),
      FExtension(std::move(extension)), FFirst(std::move(first)), FExtensionCuts(extensionCuts) {}

std::string TFileChoice::Folder() const {
    return AppFolder(*FPlatform.Files) + FSettings.GetSettingString(FFolderSetting);
}

std::string TFileChoice::FileOf(const std::string& name, const std::string& extension) const {
    if (name.find_first_of("\\/:") != std::string::npos) {
        DebugTrace::Trace("CLEngine", "Refused the name " + name + ": not a file of " + FFolderSetting);
        return {};
    }
    return Folder() + "\\" + name + extension;
}

const std::vector<std::string>& TFileChoice::List() {
    if (FListRead) return FList;
    std::vector<std::string> entries = FPlatform.Files->FindEntries(Folder() + "\\*" + FExtension);
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        return LowerAscii(a) < LowerAscii(b);
    });
    FList = {FFirst};
    for (std::string entry : entries) {
        for (int i = 0; i < FExtensionCuts; ++i) {
            size_t dot = entry.rfind('.');
            if (dot != std::string::npos) entry.erase(dot);
        }
        if (!SameText(entry, FFirst)) FList.push_back(entry);
    }
    FListRead = true;
    return FList;
}

void TFileChoice::BuildMenu(const std::string& current, std::function<void(const std::string&)> select) {
    if (FMenuItem == nullptr) return;
    const std::vector<std::string>& list = List();
    if (FMenuItem->SubItemCount() != 0) return;
    if (list.size() <= 1) {
        FMenuItem->Hide();
        return;
    }
    std::vector<bool> checked;
    for (const std::string& name : list)
        checked.push_back(SameText(name, current));
    FMenuItem->SetSubItems(list, checked, std::move(select));
}

void TFileChoice::CheckMenu(const std::string& current) {
    if (FMenuItem == nullptr) return;
    const std::vector<std::string>& list = List();
    size_t count = std::min(FMenuItem->SubItemCount(), list.size());
    for (size_t i = 0; i < count; ++i)
        FMenuItem->SetChecked(i, SameText(list[i], current));
}

} // namespace maskaddr
