// TChooseIPCountry: the logic of the country chooser (TfrmChooseIPCountry). It lists the
// pool's countries, selects the target country, shows the flag (shipped, downloaded
// before, or downloaded now) and the map of the selection, follows the map's progress,
// and stores the choice on OK. The window forwards its events here and is driven back
// through IChooseIPCountryView.
#pragma once

#include "framework/engine/SingleDownloader.h"

#include <string>

namespace maskaddr {

class TCLSettings;

class TProxyManager;

class IChooseIPCountryView {
public:
    virtual ~IChooseIPCountryView() = default;
    // cbbCountry, a list of fixed items. Setting the selection does not run the change handler.
    virtual void AddItem(const std::string& text) = 0;
    virtual int ItemCount() = 0;
    virtual std::string ItemText(int index) = 0;
    virtual int ItemIndex() = 0; // -1: nothing selected
    virtual void SetItemIndex(int index) = 0;
    // Draws a picture file stretched into imgFL (48 x 48).
    virtual void LoadPNG(const std::string& aFileName) = 0;
    // pnlWB's size in 96-dpi pixels.
    virtual int MapPanelWidth() = 0;
    virtual int MapPanelHeight() = 0;
    // Loads a map document into wbMap; baseFolder (with trailing "\") resolves its files.
    virtual void LoadMapDocument(const std::string& text, const std::string& baseFolder) = 0;
    // sgLoadingMap.
    virtual void SetGauge(bool visible, int max, int value) = 0;
    // The application's general error display.
    virtual void ShowError(const std::string& text) = 0;
};

// The key filter of the map: key notifications of F5 (reload), Backspace (back) and Shift
// are dropped; every other one goes on to the map.
bool MapKeyDropped(unsigned virtualKey);

class TChooseIPCountry {
public:
    TChooseIPCountry(IChooseIPCountryView& view, TProxyManager& pool, const TPlatform& platform,
                     TCLSettings& settings);

    // Fills the list and selects the target country, which shows its flag and map (the
    // window installs the key filter itself).
    void FormCreate();
    void LoadList();
    void cbbCountryChange();
    void LoadFlag(const std::string& aCountryName);
    void LoadPNG(const std::string& aFileName) { FView.LoadPNG(aFileName); }
    void sdFlagDoneFile(const std::string& strFileName);
    void ShowMap(const std::string& aLati, const std::string& aLong);
    void wbMapProgressChange(int Progress, int ProgressMax);
    void btnOKClick();

    TSingleDownloader& FlagDownloader() { return FFlag; }
    static constexpr const char* kAutoSelected = "- Auto Selected -";

private:
    IChooseIPCountryView& FView;
    TProxyManager& FPool;
    TPlatform FPlatform;
    TCLSettings& FSettings;
    TSingleDownloader FFlag;
};

} // namespace maskaddr
