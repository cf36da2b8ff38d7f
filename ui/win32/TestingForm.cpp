// The verification window (see TestingForm.h).
#include "ui/win32/TestingForm.h"

#include "framework/engine/MessageDialog.h"
#include "platform/win32/WinText.h"

#include <commctrl.h>

namespace maskaddr {

namespace {
constexpr int kClientWidth = 423, kClientHeight = 210;
constexpr UINT_PTR kCloseTimer = 1;
} // namespace

// A tool window; unlike a window without border icons it keeps its close button, since
// after a run with a proxy that does not hide, the user closes it.
TfrmTesting::TfrmTesting(HWND owner, std::vector<TProxyRec> proxies, const std::string& checkURL,
                         IAppTexts& texts, const TPlatform& platform, const TFormData& formData)
    : TWin32Form(nullptr, "frmTesting", "TfrmTesting"),
      FController(*this, std::move(proxies), checkURL, texts, platform) {
    Position = TFormPosition::MainFormCenter;
    if (!CreateHandle("Verifing from server ...", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW,
                      kClientWidth, kClientHeight, owner))
        return;
    auto* info = new TLabelControl(this, "lblInfo",
                                   "Please wait a few minute to verify fake IP information from server... ",
                                   8, 8, kClientWidth - 16, 30);
    SetWindowLongPtrW(info->Handle(), GWLP_ID, testingIds::lblInfo);
    new TWin32Control(this, "ggTesting", "TGauge", PROGRESS_CLASSW, "", PBS_SMOOTH, 8, 42, kClientWidth - 16,
                      18, testingIds::ggTesting);
    new TWin32Control(this, "mmoLog", "TMemo", L"EDIT", "",
                      WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                          ES_READONLY,
                      8, 66, kClientWidth - 16, kClientHeight - 74, testingIds::mmoLog);
    LoadWithEngine(formData);
    FController.FormCreate();
}

void TfrmTesting::SetInfo(const std::string& text) {
    SetDlgItemTextW(Handle(), testingIds::lblInfo, ToWide(text).c_str());
}

void TfrmTesting::AppendLog(const std::string& line) {
    HWND log = GetDlgItem(Handle(), testingIds::mmoLog);
    const int end = GetWindowTextLengthW(log);
    const std::wstring text = (end > 0 ? L"\r\n" : L"") + ToWide(line);
    SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    // The new line in view from its start, not scrolled to its end.
    const LRESULT lastLine = SendMessageW(log, EM_GETLINECOUNT, 0, 0) - 1;
    const LRESULT start = SendMessageW(log, EM_LINEINDEX, static_cast<WPARAM>(lastLine), 0);
    SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(start), start);
    SendMessageW(log, EM_SCROLLCARET, 0, 0);
}

void TfrmTesting::SetProgress(size_t done, size_t total) {
    HWND gauge = GetDlgItem(Handle(), testingIds::ggTesting);
    SendMessageW(gauge, PBM_SETRANGE32, 0, static_cast<LPARAM>(total > 0 ? total : 1));
    SendMessageW(gauge, PBM_SETPOS, static_cast<WPARAM>(done), 0);
}

void TfrmTesting::CloseAfter(int ms) {
    StartTimer(kCloseTimer, static_cast<UINT>(ms), "the verification window's close");
}

LRESULT TfrmTesting::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        if (wParam != kCloseTimer) break;
        KillTimer(Handle(), kCloseTimer);
        CloseModal(mr::OK);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDCANCEL) break; // Esc
        CloseModal(mr::Cancel);
        return 0;
    case WM_DESTROY: // the owner went (the session ends): the modal loop ends with it
        KillTimer(Handle(), kCloseTimer);
        if (IsShowingModal()) CloseModal(mr::Cancel);
        break;
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
