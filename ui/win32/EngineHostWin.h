// The engine's window side on Win32: the hook on the owner window's procedure
// (a subclass), registered messages, the title, the message dialog (a task dialog
// with its verification check box) and the about window.
#pragma once

#include "framework/engine/CLEngine.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace maskaddr {

class TfrmCLAboutForm;

class TEngineHostWin final : public IEngineHost {
public:
    explicit TEngineHostWin(HWND owner = nullptr);
    // The owner window, when it is created after the host.
    void SetOwner(HWND owner) { FOwner = owner; }
    ~TEngineHostWin() override;

    void RegisterMessage(TEngineEvent event, const std::string& name) override;
    void HookOwner(TCLEngine& engine) override;
    void UnhookOwner() override;
    void PostToOwner(TEngineEvent event) override;
    void TerminateApplication() override;
    void ApplyTitle(const std::string& title) override;
    std::unique_ptr<IMessageDialog> CreateMessageDialog() override;
    void ShowAbout(const TAboutContent& content, uintptr_t parentWindow) override;
    void CloseSplash() override;
    void OpenURL(const std::string& url) override;
    void StartProcess(const std::string& commandLine) override;
    std::unique_ptr<IUpdateView> CreateUpdateView(TUpdateController& controller) override;

    // The splash window's closing, set by the start routine while a splash exists.
    std::function<void()> OnCloseSplash;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    // The engine's event of a window message, when the engine answers such messages.
    std::optional<TEngineMessage> Translate(UINT msg, LPARAM lParam) const;
    HWND FOwner;
    std::map<TEngineEvent, UINT> FRegistered; // the registered message of each of the engine's events
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
