// The country chooser as its controller sees it: the list, the flag, the map document,
// the gauge and the error display held in fields.
#pragma once

#include "ui/ChooseIPCountry.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeChooserView final : public IChooseIPCountryView {
public:
    std::vector<std::string> Items;
    int Index = -1;
    std::vector<std::string> Flags, Maps, Errors;
    std::string MapBase;
    bool GaugeVisible = false;
    int GaugeMax = 100, GaugeValue = 0;
    int PanelWidth = 417, PanelHeight = 345;

    void AddItem(const std::string& t) override { Items.push_back(t); }
    int ItemCount() override { return static_cast<int>(Items.size()); }
    std::string ItemText(int i) override { return Items.at(static_cast<size_t>(i)); }
    int ItemIndex() override { return Index; }
    void SetItemIndex(int i) override { Index = i; }
    void LoadPNG(const std::string& f) override { Flags.push_back(f); }
    int MapPanelWidth() override { return PanelWidth; }
    int MapPanelHeight() override { return PanelHeight; }
    void LoadMapDocument(const std::string& text, const std::string& base) override {
        Maps.push_back(text);
        MapBase = base;
    }
    void SetGauge(bool visible, int max, int value) override {
        GaugeVisible = visible;
        GaugeMax = max;
        GaugeValue = value;
    }
    void ShowError(const std::string& t) override { Errors.push_back(t); }
};

} // namespace maskaddr::test
