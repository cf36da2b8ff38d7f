// The about window (see AboutForm.h).
#include "ui/win32/AboutForm.h"

#include "platform/win32/WinText.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace maskaddr {

namespace {

constexpr int kDefaultWidth = 360, kTextHeight = 96, kMargin = 12;
constexpr int kLinkId = 101;

void EnsureGdiplus() {
    static ULONG_PTR token = 0;
    if (token != 0) return;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

} // namespace

HBITMAP LoadPictureFile(const std::string& path, int& width, int& height) {
    EnsureGdiplus();
    std::wstring wpath = ToWide(path);
    Gdiplus::Bitmap* picture = Gdiplus::Bitmap::FromFile(wpath.c_str());
    HBITMAP bitmap = nullptr;
    if (picture != nullptr && picture->GetLastStatus() == Gdiplus::Ok &&
        picture->GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &bitmap) == Gdiplus::Ok) {
        width = static_cast<int>(picture->GetWidth());
        height = static_cast<int>(picture->GetHeight());
    }
    delete picture;
    return bitmap;
}

TfrmCLAboutForm::TfrmCLAboutForm(HWND owner)
    : TWin32Form(nullptr, "frmCLAboutForm", "TfrmCLAboutForm"), FOwner(owner) {
    Position = TFormPosition::MainFormCenter;
}

TfrmCLAboutForm::~TfrmCLAboutForm() {
    if (FLogo != nullptr) DeleteObject(FLogo);
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
    if (FLogo != nullptr) DeleteObject(FLogo);
    FLogo = content.LogoPath.empty() ? nullptr : LoadPictureFile(content.LogoPath, FLogoWidth, FLogoHeight);
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
    int width = FLogo != nullptr ? std::max(FLogoWidth, 240) : kDefaultWidth;
    int logo = FLogo != nullptr ? FLogoHeight : 0;
    int y = logo + kMargin;
    MoveWindow(FInfo, kMargin, y, width - 2 * kMargin, kTextHeight, FALSE);
    y += kTextHeight + 4;
    MoveWindow(FLink, kMargin, y, width - 2 * kMargin, 18, FALSE);
    y += 18 + kMargin;
    MoveWindow(FOk, width - kMargin - 80, y, 80, 25, FALSE);
    int height = y + 25 + kMargin;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (FOwner != nullptr && IsWindowVisible(FOwner)) GetWindowRect(FOwner, &area);
    int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(Handle(), nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, w, h, SWP_NOZORDER);
    InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TfrmCLAboutForm::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        if (FLogo != nullptr) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, FLogo);
            BitBlt(dc, 0, 0, FLogoWidth, FLogoHeight, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
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
