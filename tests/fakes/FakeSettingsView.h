// The settings dialog as its controller sees it: check boxes in a map, every box set
// in order, the page selected, the language list, and a folder browser that answers
// what a test decides. The browser check's page is tested on the real window (under Wine).
#pragma once

#include "ui/SettingsDialog.h"

#include <map>
#include <utility>
#include <vector>

namespace maskaddr::test {

class TFakeSettingsView final : public ISettingsView {
public:
    std::map<TSettingsBox, bool> Boxes;
    std::vector<TSettingsBox> SetOrder;
    int Page = -1;
    std::optional<std::string> Folder;                        // the browser's answer; nullopt: cancelled
    std::vector<std::pair<std::string, std::string>> Browsed; // title, initial folder
    bool Checked(TSettingsBox box) override { return Boxes[box]; }
    void SetChecked(TSettingsBox box, bool checked) override {
        Boxes[box] = checked;
        SetOrder.push_back(box);
    }
    void SelectPage(int index) override { Page = index; }
    std::vector<std::string> Languages;
    int Language = -1;
    void SetLanguages(const std::vector<std::string>& names, int selected) override {
        Languages = names;
        Language = selected;
    }
    std::string SelectedLanguage() override { return Language < 0 ? "" : Languages.at(Language); }
    std::optional<std::string> BrowseForFolder(const std::string& title,
                                               const std::string& initial) override {
        Browsed.emplace_back(title, initial);
        return Folder;
    }
    void SetBrowserRows(const std::vector<std::pair<std::string, std::string>>&) override {}
    int SelectedBrowserRow() override { return -1; }
    void SetFollowEnabled(bool) override {}
};

} // namespace maskaddr::test
