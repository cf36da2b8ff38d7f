// The engine's window side on Win32 (see EngineHostWin.h).
#include "ui/win32/EngineHostWin.h"

#include "platform/win32/Process.h"
#include "platform/win32/WinText.h"
#include "ui/win32/AboutForm.h"
#include "ui/win32/UpdateForm.h"

#include <commctrl.h>
#include <shellapi.h>

namespace maskaddr {

namespace {
constexpr UINT_PTR kSubclassId = 0x434C45; // "CLE"
} // namespace

TEngineHostWin::TEngineHostWin(HWND owner) : FOwner(owner) {}

TEngineHostWin::~TEngineHostWin() {
    UnhookOwner();
}

void TEngineHostWin::RegisterMessage(TEngineEvent event, const std::string& name) {
    FRegistered[event] = RegisterWindowMessageW(ToWide(name).c_str());
}

void TEngineHostWin::HookOwner(TCLEngine& engine) {
    FEngine = &engine;
    if (FOwner != nullptr && !SetWindowSubclass(FOwner, &TEngineHostWin::SubclassProc, kSubclassId,
                                                reinterpret_cast<DWORD_PTR>(this)))
        TraceFailedCall("SetWindowSubclass", "engine hook", "the engine will not see its messages");
}

void TEngineHostWin::UnhookOwner() {
    if (FEngine != nullptr && FOwner != nullptr && IsWindow(FOwner))
        RemoveWindowSubclass(FOwner, &TEngineHostWin::SubclassProc, kSubclassId);
    FEngine = nullptr;
}

std::optional<TEngineMessage> TEngineHostWin::Translate(UINT msg, LPARAM lParam) const {
    switch (msg) {
    case WM_QUERYENDSESSION:
        return TEngineMessage{TEngineEvent::QueryEndSession};
    case WM_COPYDATA: {
        TEngineMessage m{TEngineEvent::CopyData};
        if (lParam != 0) {
            const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            m.HasCopyRecord = true;
            m.CopyData = record->lpData;
            m.CopyDataSize = record->cbData;
        }
        return m;
    }
    default:
        for (const auto& [event, registered] : FRegistered)
            if (registered != 0 && registered == msg) return TEngineMessage{event};
        return std::nullopt;
    }
}

LRESULT CALLBACK TEngineHostWin::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<TEngineHostWin*>(data);
    if (self->FEngine != nullptr) {
        if (std::optional<TEngineMessage> m = self->Translate(msg, lParam)) {
            intptr_t answer = 0;
            try {
                if (self->FEngine->EngineWndProc(*m, answer)) {
                    // The post-initialisation ends the start: "CL IfBusy" answers 0 from now on.
                    if (m->Event == TEngineEvent::InitPost) TraceStartupStep("Initialised");
                    return answer;
                }
            } catch (const std::exception& e) {
                TraceFailedCall("EngineWndProc", std::to_string(msg), e.what());
                return 0;
            } catch (...) {
                TraceFailedCall("EngineWndProc", std::to_string(msg), "unknown exception");
                return 0;
            }
        }
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void TEngineHostWin::PostToOwner(TEngineEvent event) {
    auto registered = FRegistered.find(event);
    if (registered != FRegistered.end()) PostMessageW(FOwner, registered->second, 0, 0);
}

void TEngineHostWin::TerminateApplication() {
    PostQuitMessage(0);
}

void TEngineHostWin::ApplyTitle(const std::string& title) {
    if (FOwner != nullptr) SetWindowTextW(FOwner, ToWide(title).c_str());
}

std::unique_ptr<IMessageDialog> TEngineHostWin::CreateMessageDialog() {
    return std::make_unique<TTaskMessageDialog>(FOwner);
}

void TEngineHostWin::ShowAbout(const TAboutContent& content, uintptr_t parentWindow) {
    if (!FAbout) FAbout = std::make_unique<TfrmCLAboutForm>(FOwner);
    if (FAbout->IsShowingModal()) return;
    FAbout->Present(content, reinterpret_cast<HWND>(parentWindow));
}

void TEngineHostWin::CloseSplash() {
    if (OnCloseSplash) OnCloseSplash();
}

void TEngineHostWin::OpenURL(const std::string& url) {
    ShellExecuteW(FOwner, L"open", ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TEngineHostWin::StartProcess(const std::string& commandLine) {
    maskaddr::StartProcess(commandLine); // a failure is traced there
}

std::unique_ptr<IUpdateView> TEngineHostWin::CreateUpdateView(TUpdateController& controller) {
    return std::make_unique<TfrmCLUpdateForm>(FOwner, controller);
}

// ---- task dialog ----

namespace {

struct TButtonMap {
    uint32_t Bit;
    TASKDIALOG_COMMON_BUTTON_FLAGS Common; // 0: a custom button
    int Id;                                // the id the dialog returns
    const wchar_t* Text;                   // custom buttons only
};

// Common buttons return the system's ids; custom buttons return 1000 + the engine's result.
const TButtonMap kButtons[] = {
    {mb::Yes, TDCBF_YES_BUTTON, IDYES, nullptr},
    {mb::No, TDCBF_NO_BUTTON, IDNO, nullptr},
    {mb::OK, TDCBF_OK_BUTTON, IDOK, nullptr},
    {mb::Cancel, TDCBF_CANCEL_BUTTON, IDCANCEL, nullptr},
    {mb::Abort, 0, 1000 + mr::Abort, L"&Abort"},
    {mb::Retry, TDCBF_RETRY_BUTTON, IDRETRY, nullptr},
    {mb::Ignore, 0, 1000 + mr::Ignore, L"&Ignore"},
    {mb::All, 0, 1000 + mr::All, L"&All"},
    {mb::NoToAll, 0, 1000 + mr::NoToAll, L"N&o to All"},
    {mb::YesToAll, 0, 1000 + mr::YesToAll, L"Yes to &All"},
    {mb::Help, 0, 1000 + 99, L"&Help"},
    {mb::Close, TDCBF_CLOSE_BUTTON, IDCLOSE, nullptr},
};
constexpr int kHelpId = 1000 + 99;

int ResultOf(int id, uint32_t buttons) {
    switch (id) {
    case IDOK:
        return mr::OK;
    case IDCANCEL: // Esc: cancel when offered, else the only way out of an OK box
        return (buttons & mb::Cancel) != 0 || (buttons & mb::OK) == 0 ? mr::Cancel : mr::OK;
    case IDRETRY:
        return mr::Retry;
    case IDYES:
        return mr::Yes;
    case IDNO:
        return mr::No;
    case IDCLOSE:
        return mr::Close;
    default:
        return id > 1000 && id < kHelpId ? id - 1000 : mr::None;
    }
}

HRESULT CALLBACK TaskDialogCallback(HWND, UINT notification, WPARAM wParam, LPARAM, LONG_PTR) {
    // The help button explains and stays open, as a help button does.
    if (notification == TDN_BUTTON_CLICKED && static_cast<int>(wParam) == kHelpId) return S_FALSE;
    return S_OK;
}

} // namespace

int TTaskMessageDialog::MessageDlg2(const std::string& text, const std::string& caption, int kind,
                                    uint32_t buttons, int /*helpContext*/) {
    if (buttons == 0) buttons = mb::OK;
    const std::wstring wtext = ToWide(text), wcaption = ToWide(caption);
    std::vector<TASKDIALOG_BUTTON> custom;
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = FOwner;
    config.dwFlags = TDF_POSITION_RELATIVE_TO_WINDOW;
    if ((buttons & (mb::Cancel | mb::OK)) != 0) config.dwFlags |= TDF_ALLOW_DIALOG_CANCELLATION;
    for (const TButtonMap& b : kButtons) {
        if ((buttons & b.Bit) == 0) continue;
        if (b.Common != 0)
            config.dwCommonButtons |= b.Common;
        else
            custom.push_back({b.Id, b.Text});
    }
    config.pButtons = custom.empty() ? nullptr : custom.data();
    config.cButtons = static_cast<UINT>(custom.size());
    config.pszWindowTitle = wcaption.c_str();
    config.pszContent = wtext.c_str();
    switch (kind) {
    case mtWarning:
        config.pszMainIcon = TD_WARNING_ICON;
        break;
    case mtError:
        config.pszMainIcon = TD_ERROR_ICON;
        break;
    case mtInformation:
        config.pszMainIcon = TD_INFORMATION_ICON;
        break;
    case mtConfirmation:
        config.dwFlags |= TDF_USE_HICON_MAIN;
        config.hMainIcon = LoadIconW(nullptr, IDI_QUESTION);
        break;
    default:
        break;
    }
    std::wstring verification;
    if (ShowAgainFlag) {
        verification = ToWide(ShowAgainCaption.empty() ? "Do not show this message again" : ShowAgainCaption);
        config.pszVerificationText = verification.c_str();
    }
    config.pfCallback = &TaskDialogCallback;
    int pressed = 0;
    BOOL verified = FALSE;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, ShowAgainFlag ? &verified : nullptr)))
        return mr::None;
    if (ShowAgainFlag) ShowAgainFlagValue = !verified;
    return ResultOf(pressed, buttons);
}

} // namespace maskaddr
