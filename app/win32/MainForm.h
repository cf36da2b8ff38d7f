// TfrmMain: the main window. Its controls, menus, tray icon and timers are Win32;
// every event is forwarded to TMainController, which drives the window back
// through the views of MainViews.h. It also carries the engine, the language and the skin.
#pragma once

#include "app/AppSettings.h"
#include "app/MainController.h"
#include "app/MainIds.h"
#include "framework/components/Action.h"
#include "framework/engine/CLEngine.h"
#include "platform/win32/Handles.h"
#include "ui/TracingOverlay.h"
#include "ui/win32/ChoiceMenuWin.h"
#include "ui/win32/EngineHostWin.h"
#include "ui/win32/FlashForm.h"
#include "ui/win32/Win32Form.h"

#include <shellapi.h>

#include <map>
#include <memory>

namespace maskaddr {

class TCLMultiLangData;
class TCLMultiLang;
class TSkinData;

// The main window's client area in design pixels; its top 180 rows are the status overlay.
constexpr int kMainClientWidth = 534, kMainClientHeight = 317;

class TfrmMain final : public TWin32Form,
                       public IOptionsView,
                       public IWindowView,
                       public ITrayView,
                       public IOverlayView,
                       public IDialogsView,
                       public ISkinFrame {
public:
    explicit TfrmMain(const TPlatform& platform);
    // Creates the window and its components, loads them and runs FormCreate.
    bool Create(bool trayOnly);
    TMainController& Controller() { return FController; }
    TCLEngine* EngineComponent() const { return FEngine.get(); }
    TEngineHostWin& EngineHost() { return FHost; }
    // Tab and Shift+Tab among the window's controls in reading order, and Enter on its
    // buttons: true when m was one of them.
    bool TabKey(const MSG& m);

protected:
    HWND FirstFocus() override { return Control(ids::btnHide); }

public:
    // The views of MainViews.h
    bool AutorunChecked() override;
    void SetAutorunChecked(bool checked) override;
    bool ChangeIPChecked() override;
    void SetChangeIPChecked(bool checked) override;
    bool ClearCookieChecked() override;
    void SetClearCookieChecked(bool checked) override;
    int ChangeIPTime() override;
    void SetChangeIPTime(int minutes) override;
    void SetTimerEnabled(TMainTimer timer, bool enabled) override;
    void SetAlwaysOnTop(bool topmost) override;
    void BindHideCommand(bool stopHide) override;
    void MinimizeToTray() override;
    void RestoreFromTray() override;
    void CloseMainWindow() override;
    void SetCountryText(const std::string& text) override;
    bool HideCommandIsStop() override {
        return FHideAction != nullptr && FHideAction->Name() == "actStopHide";
    }
    IStatusOverlay& Overlay() override { return FOverlay; }
    void PlaceWindow() override;
    void ClearAllWindow() override;
    void LoadPNG(const std::string& aFileName) override;
    void ShowPlainMessage(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void ShowSettingsDialog() override;
    bool ShowChooseIPCountry(TProxyManager& pool) override;
    void ShowTestingWindow(std::vector<TProxyRec> proxies, const std::string& checkURL) override;
    std::string ExecutablePath() override;

    // ISkinFrame
    bool HasTrayIcon() override { return FTrayAdded; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void CreateActions();
    void CreateMenus();
    void RefreshMenus();
    void PlaceChangeIPTime();
    void UpdateTrayTip();
    void NameOverlay();
    void NameFlag();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void OnCommand(int id, int code, HWND control);
    void OnTimer(UINT_PTR id);
    void OnTrayMessage(LPARAM lParam);
    bool OnSysCommand(WPARAM command);
    void ShowPopup(HMENU menu);
    TAction* ActionById(int id);
    HWND Control(int id) const { return GetDlgItem(Handle(), id); }

    TPlatform FPlatform; // before the members made from it
    TEngineHostWin FHost;
    TBrowserSwitchers FSwitchers{TBrowserContext{FPlatform, Settings()}};
    std::unique_ptr<TfrmFlashForm> FFlashForm;
    TTracingOverlay FOverlay; // every overlay command passes the debug trace
    TMainController FController{{*this, *this, *this, *this, *this}, FSwitchers, FPlatform, Settings()};
    TGdiBitmap FFlagBitmap;
    // A component of this window, gone before the host it hooks through.
    std::unique_ptr<TCLEngine> FEngine;
    TCLMultiLangData* FLanguageData = nullptr;
    TCLMultiLang* FLanguage = nullptr;
    TSkinData* FSkinData = nullptr;
    std::map<int, TAction*> FActions;
    TAction* FHideAction = nullptr; // the action btnHide and Maskaddr1 are bound to
    TMenuHandle FSysMenu, FTrayMenu;
    TChoiceMenuWin FLanguageMenu{ids::Language1First}; // in FSysMenu; leaves it before it goes
    NOTIFYICONDATAW FTray{};
    bool FTrayAdded = false;
    bool FTrayVersion4 = false; // the shell sends the keyboard's choices
    UINT FTaskbarCreated = 0;
    bool FSettingControls = false; // a control is being set by the program
    bool FClosing = false;
    double FChooseCommandAt = 0;    // when the country-choice command began, for the chooser's trace
    HWND FSettingsWindow = nullptr; // the settings dialog while it is open: owner of what it opens
};

} // namespace maskaddr
