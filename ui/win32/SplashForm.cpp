// The splash window and its layered picture (see SplashForm.h).
#include "ui/win32/SplashForm.h"

#include "base/DebugTrace.h"
#include "framework/engine/Splash.h"
#include "platform/win32/WinText.h"

#include <commctrl.h>

namespace maskaddr {

namespace {
constexpr UINT_PTR kPngFormSubclassId = 0x53504E47; // "SPNG"
constexpr int kDesignWidth = 705, kDesignHeight = 478;
constexpr wchar_t kDesignPicture[] = L"SPLASH"; // the RCDATA resource of the program
} // namespace

// ---- TspPngForm ----

TspPngForm::TspPngForm(TWin32Form& owner) : TComponent(&owner, "spngfrm1", "TspPngForm"), FOwner(owner) {
    HWND h = owner.Handle();
    if (h == nullptr) return;
    SetWindowLongPtrW(h, GWL_STYLE,
                      (GetWindowLongPtrW(h, GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME | WS_BORDER)) |
                          WS_POPUP);
    FHooked =
        SetWindowSubclass(h, &TspPngForm::NewWndProc, kPngFormSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (!FHooked) TraceFailedCall("SetWindowSubclass", "TspPngForm", "the picture will not be drawn");
}

TspPngForm::~TspPngForm() {
    if (FHooked && FOwner.Handle() != nullptr)
        RemoveWindowSubclass(FOwner.Handle(), &TspPngForm::NewWndProc, kPngFormSubclassId);
}

bool TspPngForm::LoadPng(const std::string& strFileName) {
    TPicture picture = LoadAlphaPicture(strFileName, FOwner.Dpi());
    if (!picture) {
        DebugTrace::Trace("Splash", "Cannot read the picture " + strFileName);
        return false;
    }
    SetPicture(std::move(picture));
    return true;
}

// A new picture shows at once: a layered window gets no paint request of its own.
void TspPngForm::SetPicture(TPicture picture) {
    FBitmap = std::move(picture);
    UpdateLayered();
}

void TspPngForm::SetAlphaDegeri(uint8_t alpha) {
    FAlphaDegeri = alpha;
    UpdateLayered();
}

// The window takes the picture's size and shows it with the picture's own alpha, scaled
// by the constant alpha; its position stays.
void TspPngForm::UpdateLayered() {
    HWND h = FOwner.Handle();
    if (h == nullptr || !FBitmap) return;
    const LONG_PTR exStyle = GetWindowLongPtrW(h, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongPtrW(h, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    const TWindowDC screen(nullptr);
    const TMemoryDC source(CreateCompatibleDC(screen.Get()));
    if (!source) {
        TraceLastError("CreateCompatibleDC", "splash");
        return;
    }
    const TSelection picture(source.Get(), FBitmap.Bitmap.Get());
    SIZE size{FBitmap.Width, FBitmap.Height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, FAlphaDegeri, AC_SRC_ALPHA};
    if (!UpdateLayeredWindow(h, nullptr, nullptr, &size, source.Get(), &origin, 0, &blend, ULW_ALPHA))
        TraceLastError("UpdateLayeredWindow", std::to_string(size.cx) + "x" + std::to_string(size.cy));
}

LRESULT CALLBACK TspPngForm::NewWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) {
    auto* self = reinterpret_cast<TspPngForm*>(data);
    switch (msg) {
    case WM_PAINT:
        self->UpdateLayered();
        break; // the form's own procedure validates the window
    case WM_ERASEBKGND:
        return 1;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// ---- TfrmCLSplashForm ----

TfrmCLSplashForm::TfrmCLSplashForm(IFileSystem& files, const std::string& folder)
    : TWin32Form(nullptr, "frmCLSplashForm", "TfrmCLSplashForm") {
    if (!CreateHandle("", WS_POPUP, 0, kDesignWidth, kDesignHeight)) return;
    spngfrm1 = new TspPngForm(*this);
    FormCreate(files, folder);
}

// The picture of the folder, centred on the whole screen. Without one the window closes as
// soon as its messages are served and shows the built-in picture until then; that one is
// decoded only then, so a start with a picture decodes one picture, not two.
void TfrmCLSplashForm::FormCreate(IFileSystem& files, const std::string& folder) {
    const std::string file = ChooseSplashPicture(files, folder);
    if (file.empty() || !spngfrm1->LoadPng(file)) {
        DebugTrace::Trace("Splash", "No picture in " + folder);
        spngfrm1->SetPicture(LoadAlphaPictureResource(kDesignPicture, Dpi()));
        PostMessageW(Handle(), WM_CLOSE, 0, 0);
        return;
    }
    const TPicture& picture = spngfrm1->Picture();
    const int left = CentredEdge(GetSystemMetrics(SM_CXSCREEN), picture.Width);
    const int top = CentredEdge(GetSystemMetrics(SM_CYSCREEN), picture.Height);
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DebugTrace::Trace("Splash", "Picture " + file + " " + std::to_string(picture.Width) + "x" +
                                    std::to_string(picture.Height) + " at " + std::to_string(left) + "," +
                                    std::to_string(top));
}

void TfrmCLSplashForm::ShowAndPaint() {
    if (Handle() == nullptr) return;
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
}

// A main window that stays in the tray, or that the system keeps from the foreground
// (a start at logon), never takes activation from the splash.
void TfrmCLSplashForm::MainWindowCreated(HWND mainWindow) {
    if (Handle() != nullptr && GetActiveWindow() != mainWindow) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TfrmCLSplashForm::FormDeactivate() {
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

LRESULT TfrmCLSplashForm::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) FormDeactivate();
        break;
    case WM_CLOSE: // closing hides; the window goes when the engine's SplashClose frees it
        ShowWindow(Handle(), SW_HIDE);
        DebugTrace::Trace("Splash", "Closed");
        return 0;
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
