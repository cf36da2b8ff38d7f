// The main window as its controller sees it: option controls, timers and the tray
// state held in fields, the overlay recorded, and a close that, as in the real
// window, runs FormDestroy only when the test turns the message loop.
#pragma once

#include "app/MainController.h"
#include "fakes/RecordingOverlay.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace maskaddr::test {

class TFakeMainView final : public IOptionsView,
                            public IWindowView,
                            public ITrayView,
                            public IOverlayView,
                            public IDialogsView {
public:
    TMainViews Views() { return {*this, *this, *this, *this, *this}; }
    bool Autorun = false, ChangeIP = false, ClearCookie = false, Topmost = false, Stop = true, InTray = false;
    int Minutes = 10;
    std::map<TMainTimer, bool> Timers;
    std::string Status;
    int SettingsShown = 0;
    bool AutorunChecked() override { return Autorun; }
    void SetAutorunChecked(bool c) override { Autorun = c; }
    bool ChangeIPChecked() override { return ChangeIP; }
    void SetChangeIPChecked(bool c) override { ChangeIP = c; }
    bool ClearCookieChecked() override { return ClearCookie; }
    void SetClearCookieChecked(bool c) override { ClearCookie = c; }
    int ChangeIPTime() override { return Minutes; }
    void SetChangeIPTime(int m) override { Minutes = m; }
    void SetTimerEnabled(TMainTimer t, bool e) override { Timers[t] = e; }
    void SetAlwaysOnTop(bool t) override { Topmost = t; }
    void BindHideCommand(bool s) override { Stop = s; }
    void MinimizeToTray() override { InTray = true; }
    void RestoreFromTray() override { InTray = false; }
    // As the real window: a close is posted, and FormDestroy runs when the loop turns.
    void CloseMainWindow() override { ClosePosted = true; }
    void TurnLoop() {
        if (!std::exchange(ClosePosted, false)) return;
        Closed = true;
        Controller->FormDestroy();
    }
    TMainController* Controller = nullptr;
    bool ClosePosted = false;
    bool HideCommandIsStop() override { return Stop; }
    TRecordingOverlay Rec;
    IStatusOverlay& Overlay() override { return Rec; }
    int Placed = 0;
    void PlaceWindow() override { ++Placed; }
    void ClearAllWindow() override { --Placed; }
    std::vector<std::string> Flags;
    void LoadPNG(const std::string& f) override { Flags.push_back(f); }
    std::vector<std::string> Plain;
    bool Closed = false;
    std::function<void()> WhilePlainMessage; // what arrives while the message box is open
    void ShowPlainMessage(const std::string& t) override {
        Plain.push_back(t);
        if (WhilePlainMessage) WhilePlainMessage();
    }
    std::vector<std::string> Notices;
    void ShowNotice(const std::string& t) override { Notices.push_back(t); }
    std::string Country;
    void SetCountryText(const std::string& t) override { Country = t; }
    std::function<void()> OnSettingsDialog;
    void ShowSettingsDialog() override {
        ++SettingsShown;
        if (OnSettingsDialog) OnSettingsDialog();
    }
    // The chooser: what it does while open (the pool is the window's), and its result.
    std::function<bool(TProxyManager&)> OnChooser;
    int ChooserShown = 0;
    bool ShowChooseIPCountry(TProxyManager& pool) override {
        ++ChooserShown;
        return OnChooser ? OnChooser(pool) : false;
    }
    std::vector<std::vector<TProxyRec>> TestingShown; // the proxies of each verification window
    std::string CheckURL;
    void ShowTestingWindow(std::vector<TProxyRec> proxies, const std::string& checkURL) override {
        TestingShown.push_back(std::move(proxies));
        CheckURL = checkURL;
    }
    std::string ExecutablePath() override { return "C:\\Tools\\App\\app.exe"; }
};

} // namespace maskaddr::test
