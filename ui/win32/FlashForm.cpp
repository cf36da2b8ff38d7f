// The status overlay window (see FlashForm.h).
#include "ui/win32/FlashForm.h"

#include "base/DebugTrace.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"
#include "platform/win32/WinText.h"

namespace maskaddr {

namespace {
constexpr wchar_t kFormProp[] = L"TfrmFlashForm";
}

TfrmFlashForm::TfrmFlashForm(TComponent* owner, const TPlatform& platform, TCLSettings& settings,
                             IPages* pages)
    : TWin32Form(owner, "frmFlashForm", "TfrmFlashForm"), TFlashFormLogic(settings, pages),
      FPlatform(platform), FSettings(settings) {}

bool TfrmFlashForm::CreateInside(HWND parent) {
    RECT area{0, 0, 534, 180};
    if (parent != nullptr) GetClientRect(parent, &area);
    if (!CreateHandle("frmFlashForm", WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, area.right,
                      area.bottom, parent))
        return false;
    SetWindowPos(Handle(), HWND_TOP, 0, 0, area.right, area.bottom, SWP_NOACTIVATE);
    FormCreate();
    return true;
}

void TfrmFlashForm::FormCreate() {
    CreateFlashPlayer();
    SetBackground(ResolvePath(AppFolder(*FPlatform.Files), FSettings.GetSettingString("FLS.Background")));
    SetLogo(ResolvePath(AppFolder(*FPlatform.Files), FSettings.GetSettingString("FLS.Logo")));
    ResetDisplay();
}

void TfrmFlashForm::FormDestroy() {
    FFlashPlayer.reset(); // the end of its window takes FlashWindowProc away
}

void TfrmFlashForm::CreateFlashPlayer() {
    FFlashPlayer = std::make_unique<TFlashPlayer>(Handle(), FPlatform, FSettings);
    FPlayerWindow = FFlashPlayer->Handle();
    if (FPlayerWindow != nullptr) PutFlashWindowProc();
    FFlashPlayer->OnFSCommand = [this](TFlashPlayer* sender, const std::wstring& command,
                                       const std::wstring& args) {
        FlashPlayerFSCommand(sender, command, args);
    };

    // The player needs its scene file beside the program; without it the overlay stays,
    // every command is still taken, and the built-in scene is drawn.
    FFlashPlayer->SetMovie(AppFolder(*FPlatform.Files) + "res\\maskaddr.dat");
    if (!FPlatform.Files->FileExists(FFlashPlayer->Movie())) {
        const std::wstring text = ToWide(FFlashPlayer->Movie() + " File Error!");
        const std::wstring caption = ToWide(FSettings.GetSettingString("APP.Name"));
        MessageBoxW(GetAncestor(Handle(), GA_ROOT), text.c_str(), caption.c_str(), MB_OK);
    }
    FFlashPlayer->Quality = 1;
    FFlashPlayer->SetBounds(0, 0, FSettings.GetSettingInteger("FLS.Width"),
                            FSettings.GetSettingInteger("FLS.Height"));
}

// Saves the player's own window procedure in FFlashMes and puts FlashWindowProc in front of
// it; the window's property names this form to PlayerProc.
void TfrmFlashForm::PutFlashWindowProc() {
    if (!SetPropW(FPlayerWindow, kFormProp, this)) {
        TraceLastError("SetPropW", "the overlay's player");
        return;
    }
    FFlashMes = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        FPlayerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TfrmFlashForm::PlayerProc)));
    if (FFlashMes != nullptr) return; // a window always has a procedure: null is a failure
    TraceLastError("SetWindowLongPtrW", "GWLP_WNDPROC of the overlay's player");
    RemovePropW(FPlayerWindow, kFormProp);
}

LRESULT CALLBACK TfrmFlashForm::PlayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TfrmFlashForm*>(GetPropW(hwnd, kFormProp));
    if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->FlashWindowProc(msg, wParam, lParam);
}

LRESULT TfrmFlashForm::FlashWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_RBUTTONDOWN) {
        SendMessageW(FPlayerWindow, WM_RBUTTONUP, wParam, lParam);
        return 0;
    }
    const LRESULT result = CallWindowProcW(FFlashMes, FPlayerWindow, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) RemoveFlashWindowProc();
    return result;
}

// The player's window ends (with the player, or with its parent): its own procedure and
// property list are as they were before.
void TfrmFlashForm::RemoveFlashWindowProc() {
    SetWindowLongPtrW(FPlayerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FFlashMes));
    RemovePropW(FPlayerWindow, kFormProp);
    FPlayerWindow = nullptr;
    FFlashMes = nullptr;
}

LRESULT TfrmFlashForm::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) FormDestroy();
    if (msg == WM_DPICHANGED_AFTERPARENT) { // the panel it fills was scaled with the main window
        RECT area{};
        GetClientRect(GetParent(Handle()), &area);
        SetWindowPos(Handle(), nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

void TfrmFlashForm::FlashPlayerFSCommand(TFlashPlayer*, const std::wstring& command,
                                         const std::wstring& args) {
    DebugTrace::Trace("FlashForm", "FSCommand " + ToUtf8(command) + " " + ToUtf8(args));
    HandleFSCommand(ToUtf8(command), ToUtf8(args));
}

void TfrmFlashForm::SendCommand(const std::string& text) {
    if (FFlashPlayer != nullptr) FFlashPlayer->SetVariable(ToWide(kCallbackVar), ToWide(text));
}

std::unique_ptr<TfrmFlashForm> PlaceFlashForm(HWND container, const TPlatform& platform,
                                              TCLSettings& settings, IPages* pages) {
    auto form = std::make_unique<TfrmFlashForm>(nullptr, platform, settings, pages);
    if (!form->CreateInside(container)) return form;
    ShowWindow(form->Handle(), SW_SHOW);
    return form;
}

} // namespace maskaddr
