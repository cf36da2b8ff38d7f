// TfrmChooseIPCountry: the country chooser, a modal dialog owned by the main window. Its
// controls are Win32 (list, flag, panel with our map view, gauge, OK and Cancel); its
// logic is TChooseIPCountry's. Like every window of ours it takes the engine's language
// and skin when it loads.
#pragma once

#include "framework/engine/EngineParts.h"
#include "ui/ChooseIPCountry.h"
#include "ui/win32/MapView.h"
#include "ui/win32/Win32Form.h"

#include <memory>

namespace maskaddr {

class TProxyManager;

class TfrmChooseIPCountry final : public TWin32Form, public IChooseIPCountryView {
public:
    // Control identifiers, so that other programs (the tests) find them.
    enum : int { idCountry = 101, idFlag, idPanel, idGauge, idCountryLabel };

    TfrmChooseIPCountry(HWND owner, TProxyManager& pool, IAppTexts& texts, const TPlatform& platform,
                        TCLSettings& settings, const TFormData& formData);
    ~TfrmChooseIPCountry() override;
    // Shows the dialog modally: mr::OK or mr::Cancel.
    int Execute();
    TChooseIPCountry& Controller() { return FController; }
    TMapView* Map() const { return FMap.get(); }
    // When the command that opens the chooser began (GetTickCount64-like milliseconds from
    // QueryPerformanceCounter): the first map drawn is traced with the time since.
    void SetOpenedAt(double ms) { FOpenedAt = ms; }
    static double NowMs();

    // IChooseIPCountryView
    void AddItem(const std::string& text) override;
    int ItemCount() override;
    std::string ItemText(int index) override;
    int ItemIndex() override;
    void SetItemIndex(int index) override;
    void LoadPNG(const std::string& aFileName) override;
    void NamePictures();
    int MapPanelWidth() override { return kPanelWidth; }
    int MapPanelHeight() override { return kPanelHeight; }
    void LoadMapDocument(const std::string& text, const std::string& baseFolder) override;
    void SetGauge(bool visible, int max, int value) override;
    void ShowError(const std::string& text) override;

    static constexpr int kPanelWidth = 417, kPanelHeight = 345;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void InstallKeyFilter();
    static LRESULT CALLBACK KeyFilter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND Control(int id) const { return GetDlgItem(Handle(), id); }

    HWND FOwner;
    IAppTexts& FTexts;
    IFileSystem& FFiles;
    TChooseIPCountry FController;
    TComboBoxControl* FCountry = nullptr; // a component of the window
    std::unique_ptr<TMapView> FMap;
    TGdiBitmap FFlagBitmap;
    WNDPROC FIEMapMes = nullptr; // the map's own procedure, behind the key filter
    double FOpenedAt = 0;
    bool FFirstMapTraced = false;
};

} // namespace maskaddr
