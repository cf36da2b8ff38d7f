// The engine's window side on Win32: the hook on the owner window's procedure
// (a subclass), registered messages, the title, the message dialog (a task dialog
// with its verification check box) and the about window.
#pragma once

#include "framework/engine/CLEngine.h"

#include <windows.h>

#include <functional>
#include <memory>

namespace maskaddr {

class TfrmCLAboutForm;

class TEngineHostWin final : public IEngineHost {
public:
    explicit TEngineHostWin(HWND owner = nullptr);
    // The owner window, when it is created after the host.
    void SetOwner(HWND owner) { FOwner = owner; }
    ~TEngineHostWin() override;

    uint32_t RegisterMessage(const std::string& name) override;
    void HookOwner(TCLEngine& engine) override;
    void UnhookOwner() override;
    void PostToOwner(uint32_t message) override;
    void TerminateApplication() override;
    void ApplyTitle(const std::string& title) override;
    uint32_t TickCount() override;
    std::vector<std::string> ProgramArguments() override;
    std::unique_ptr<IMessageDialog> CreateMessageDialog() override;
    void ShowAbout(const TAboutContent& content, uintptr_t parentWindow) override;
    bool IsWindowsVista64() override;
    void CloseSplash() override;
    void OpenURL(const std::string& url) override;
    void StartProcess(const std::string& commandLine) override;
    void OsVersion(uint32_t& major, uint32_t& minor, std::string& servicePack) override;
    uint16_t SystemDefaultLangID() override { return GetSystemDefaultLangID(); }
    std::unique_ptr<IUpdateView> CreateUpdateView(TUpdateController& controller) override;

    // The splash window's closing, set by the start routine while a splash exists.
    std::function<void()> OnCloseSplash;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    HWND FOwner;
    TCLEngine* FEngine = nullptr;
    std::unique_ptr<TfrmCLAboutForm> FAbout;
};

// Message boxes as task dialogs: the kinds become icons, the button bits buttons,
// and the pressed button the engine's result value.
class TTaskMessageDialog final : public IMessageDialog {
public:
    explicit TTaskMessageDialog(HWND owner) : FOwner(owner) {}
    int MessageDlg2(const std::string& text, const std::string& caption, int kind, uint32_t buttons,
                    int helpContext) override;

private:
    HWND FOwner;
};

} // namespace maskaddr
