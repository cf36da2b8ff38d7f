// The start routine's operating-system side on Win32: the country gate, the
// single-instance mutex, finding and activating the running instance, the splash
// window, and the main window with its message loop.
#pragma once

#include "app/StartRoutine.h"
#include "app/win32/MainForm.h"
#include "browsers/CountryGate.h"
#include "platform/win32/Handles.h"
#include "ui/win32/SplashForm.h"

#include <memory>

namespace maskaddr {

class TSystemLanguageWin final : public ISystemLanguage {
public:
    std::string DefaultLanguageName() override;
    void ShowPlainMessage(const std::string& text) override;
};

class TStartHostWin final : public IStartHost {
public:
    // The facilities the splash and the main window are made with.
    explicit TStartHostWin(const TPlatform& platform) : FPlatform(platform) {}
    bool CheckSystemLanguage() override;
    void MaskFloatingPointExceptions() override;
    bool CtrlShiftHeld() override;
    TWindowRef FindRunningInstance(int32_t appId) override;
    intptr_t SendRegistered(TWindowRef window, const std::string& message) override;
    void ForceToFront(TWindowRef window) override;
    void ForwardArgument(TWindowRef window, const std::string& text) override;
    void Sleep(uint32_t ms) override;
    bool CreateSingleInstanceMutex(const std::string& name) override;
    void ShowSplash() override;
    bool CreateMainWindow(bool trayOnly) override;
    void RunMessageLoop() override;

private:
    TPlatform FPlatform;
    THandle FMutex;
    // Shown before the main window, hidden when it loses activation, freed by the engine's
    // SplashClose or with the process.
    std::unique_ptr<TfrmCLSplashForm> FSplash;
    // Its window goes first, so that WM_DESTROY runs FormDestroy however the program ends.
    std::unique_ptr<TfrmMain, TDestroyWindowFirst> FMainForm;
};

} // namespace maskaddr
