// The about window (see AboutForm.h).
#include "ui/win32/AboutForm.h"

#include "platform/win32/WinText.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

namespace maskaddr {

namespace {

constexpr int kDefaultWidth = 360, kTextHeight = 96, kMargin = 12;
constexpr int kLinkId = 101;

} // namespace

TfrmCLAboutForm::TfrmCLAboutForm(HWND owner)
    : TWin32Form(nullptr, "frmCLAboutForm", "TfrmCLAboutForm"), FOwner(owner) {
    Position = TFormPosition::MainFormCenter;
}

int TfrmCLAboutForm::Present(const TAboutContent& content, HWND parent) {
    FContent = content;
    if (Handle() == nullptr) {
        if (!CreateHandle(content.Caption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
                          kDefaultWidth, 200, FOwner))
            return 0;
        FInfo = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0, Handle(),
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        FLink = CreateWindowExW(0, WC_LINK, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkId)),
                                GetModuleHandleW(nullptr), nullptr);
        FOk = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0,
                              0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                              GetModuleHandleW(nullptr), nullptr);
        for (HWND h : {FInfo, FLink, FOk})
            SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    }
    FLogo = content.LogoPath.empty() ? TPicture() : LoadPictureFile(content.LogoPath);
    SetWindowTextW(Handle(), ToWide(content.Caption).c_str());
    SetWindowTextW(FInfo, ToWide(content.Info).c_str());
    SetWindowTextW(FLink, ToWide("<a>" + content.SupportCaption + "</a>").c_str());
    SetWindowTextW(FOk, ToWide(content.OkCaption.empty() ? "OK" : content.OkCaption).c_str());
    Layout();
    if (parent != nullptr) {
        SetWindowLongPtrW(Handle(), GWL_STYLE,
                          (GetWindowLongPtrW(Handle(), GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
        SetParent(Handle(), parent);
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    return ShowModal();
}

// The client width is the logo's width and the logo panel its height; without a logo
// the panel is left out and the window is shorter by its height.
void TfrmCLAboutForm::Layout() {
    int width = FLogo ? std::max(FLogo.Width, 240) : kDefaultWidth;
    int y = FLogo.Height + kMargin;
    // The text and the button grow with what the language makes of them.
    // Measured in the font at the window's DPI, laid out in design pixels.
    const int infoHeight = std::max<int>(
        kTextHeight, DesignPx(CaptionExtent(ToWide(FContent.Info), Font(), Px(width - 2 * kMargin)).cy));
    MoveWindow(FInfo, Px(kMargin), Px(y), Px(width - 2 * kMargin), Px(infoHeight), FALSE);
    y += infoHeight + 4;
    MoveWindow(FLink, Px(kMargin), Px(y), Px(width - 2 * kMargin), Px(18), FALSE);
    y += 18 + kMargin;
    const std::wstring ok = ToWide(FContent.OkCaption.empty() ? "OK" : FContent.OkCaption);
    const int okWidth = std::max<int>(80, DesignPx(CaptionExtent(ok, Font()).cx) + kButtonTextMargin);
    MoveWindow(FOk, Px(width - kMargin - okWidth), Px(y), Px(okWidth), Px(25), FALSE);
    SetFrame(static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)),
             static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)), width, y + 25 + kMargin);
    InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TfrmCLAboutForm::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        if (FLogo) {
            const TMemoryDC mem(CreateCompatibleDC(dc));
            const TSelection logo(mem.Get(), FLogo.Bitmap.Get());
            SetStretchBltMode(dc, HALFTONE); // the picture at the window's scale, smoothly
            StretchBlt(dc, 0, 0, Px(FLogo.Width), Px(FLogo.Height), mem.Get(), 0, 0, FLogo.Width, FLogo.Height,
                       SRCCOPY);
        }
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) { // Esc closes with OK too
            CloseModal(mr::OK);
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* n = reinterpret_cast<NMHDR*>(lParam);
        if (n->idFrom == kLinkId && (n->code == NM_CLICK || n->code == NM_RETURN) &&
            !FContent.SupportURL.empty()) {
            ShellExecuteW(Handle(), L"open", ToWide(FContent.SupportURL).c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
            return 0;
        }
        break;
    }
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
