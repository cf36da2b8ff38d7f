// The update window (see UpdateForm.h).
#include "ui/win32/UpdateForm.h"

#include "framework/engine/CLEngine.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"
#include "platform/win32/WinText.h"

namespace maskaddr {

namespace {
constexpr int kWidth = 373, kHeight = 325, kLogoPanel = 65, kProcessHeight = 51;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU, kDialogExStyle = WS_EX_DLGMODALFRAME;
constexpr UINT kShowResult = WM_USER + 2;
constexpr UINT_PTR kTimer = 1;
enum : int { idInfo = 101, idTimerLabel, idAutoCheck, idOK, idCancel, idOK2, idProcessText, idCancelProcess };
} // namespace

TfrmCLUpdateForm::TfrmCLUpdateForm(HWND owner, TUpdateController& controller)
    : TWin32Form(nullptr, "frmCLUpdateForm", "TfrmCLUpdateForm"), FController(controller), FOwner(owner) {
    Position = TFormPosition::MainFormCenter;
    FormCreate();
}

// The dialog's client size: the logo panel takes the picture's height, or is left out
// without a picture.
void TfrmCLUpdateForm::FormCreate() {
    const std::string logo = AppFolder(FController.Files()) + "res\\images\\update.png";
    if (FController.Files().FileExists(logo)) FLogo = LoadPictureFile(logo);
    const int top = FLogo.Height;
    FClientWidth = FLogo ? std::max(FLogo.Width, kWidth) : kWidth;
    FClientHeight = top + kHeight - kLogoPanel;
    CreateHandle("Update", kDialogStyle, kDialogExStyle, FClientWidth, FClientHeight, FOwner);
    auto add = [&](const wchar_t* cls, DWORD style, int x, int y, int w, int h, int id) {
        HWND c = CreateWindowExW(0, cls, L"", WS_CHILD | style, Px(x), Px(y), Px(w), Px(h), Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
        return c;
    };
    add(L"STATIC", WS_VISIBLE, 8, top + 8, 353, 120, idInfo);
    add(L"STATIC", 0, 8, top + 133, 353, 16, idTimerLabel);
    add(L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 8, top + 152, 353, 18, idAutoCheck);
    const int bottom = FClientHeight;
    add(L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON | WS_DISABLED, kWidth - 176, bottom - 34, 80, 25, idOK);
    add(L"BUTTON", WS_TABSTOP, kWidth - 88, bottom - 34, 80, 25, idCancel);
    add(L"BUTTON", WS_TABSTOP | WS_DISABLED, kWidth - 88, bottom - 30, 80, 25, idOK2);
    add(L"STATIC", 0, 8, 16, kWidth - 110, 20, idProcessText);
    add(L"BUTTON", WS_TABSTOP, kWidth - 88, 12, 80, 25, idCancelProcess);
    SetWindowTextW(Handle(), ToWide(FController.Lib("TfrmCLUpdateForm.Caption")).c_str());
    for (int id : {idOK, idOK2})
        SetDlgItemTextW(Handle(), id, ToWide(FController.Lib("btnOk.Caption")).c_str());
    for (int id : {idCancel, idCancelProcess})
        SetDlgItemTextW(Handle(), id, ToWide(FController.Lib("btnCancel.Caption")).c_str());
    SetDlgItemTextW(Handle(), idAutoCheck, ToWide(FController.Lib("cbAutoCheckUpdate.Caption")).c_str());
    SetDlgItemTextW(Handle(), idInfo, ToWide(FController.Lib("Update.Connecting")).c_str());
    SetDlgItemTextW(Handle(), idProcessText, ToWide(FController.Lib("Update.Connecting")).c_str());
    Show(GetDlgItem(Handle(), idAutoCheck), !FController.Store().GetSettingBool("Update.NoAutoCheck"));
    CheckDlgButton(Handle(), idAutoCheck,
                   FController.Store().GetSettingBool("Update.AutoCheck") ? BST_CHECKED : BST_UNCHECKED);
}

bool TfrmCLUpdateForm::IsVisible() {
    return Handle() != nullptr && IsWindowVisible(Handle());
}

bool TfrmCLUpdateForm::AutoCheckChecked() {
    return IsDlgButtonChecked(Handle(), idAutoCheck) == BST_CHECKED;
}

// The compact strip: the connecting text and a Cancel button, without a border.
void TfrmCLUpdateForm::ShowProcessView() {
    for (int id : {idInfo, idTimerLabel, idAutoCheck, idOK, idCancel, idOK2})
        Show(GetDlgItem(Handle(), id), false);
    for (int id : {idProcessText, idCancelProcess})
        Show(GetDlgItem(Handle(), id), true);
    SetFrame(WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW, kWidth, kProcessHeight);
    FProcessView = true;
}

// From the strip back to the dialog: its frame, its full size and its info panel, so that
// a result shown after the strip has its buttons inside the window.
void TfrmCLUpdateForm::ShowDialogView() {
    if (!FProcessView) return;
    FProcessView = false;
    for (int id : {idProcessText, idCancelProcess})
        Show(GetDlgItem(Handle(), id), false);
    Show(GetDlgItem(Handle(), idInfo), true);
    Show(GetDlgItem(Handle(), idAutoCheck), !FController.Store().GetSettingBool("Update.NoAutoCheck"));
    SetFrame(kDialogStyle, kDialogExStyle, FClientWidth, FClientHeight);
}

void TfrmCLUpdateForm::RunModal() {
    ShowModal();
}

void TfrmCLUpdateForm::ShowModeless() {
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
}

void TfrmCLUpdateForm::PostShowResult() {
    PostMessageW(Handle(), kShowResult, 0, 0);
}

void TfrmCLUpdateForm::ShowResultView(const std::string& info, bool withCancel) {
    SetDlgItemTextW(Handle(), idInfo, ToWide(info).c_str());
    ShowDialogView();
    Show(GetDlgItem(Handle(), idOK), withCancel);
    Show(GetDlgItem(Handle(), idCancel), withCancel);
    Show(GetDlgItem(Handle(), idOK2), !withCancel);
    EnableWindow(GetDlgItem(Handle(), idOK), TRUE);
    EnableWindow(GetDlgItem(Handle(), idOK2), TRUE);
    if (!IsVisible()) ShowModeless();
}

void TfrmCLUpdateForm::SetTimerEnabled(bool enabled) {
    if (enabled)
        StartTimer(kTimer, 200, "the update window's countdown");
    else
        KillTimer(Handle(), kTimer);
}

void TfrmCLUpdateForm::SetTimerLabel(const std::string& text) {
    SetDlgItemTextW(Handle(), idTimerLabel, ToWide(text).c_str());
    Show(GetDlgItem(Handle(), idTimerLabel), true);
}

void TfrmCLUpdateForm::CloseWindow() {
    if (IsShowingModal())
        CloseModal(mr::Cancel);
    else if (Handle() != nullptr)
        ShowWindow(Handle(), SW_HIDE);
}

LRESULT TfrmCLUpdateForm::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kShowResult:
        FController.ShowResult();
        return 0;
    case WM_TIMER:
        FController.tmrTimerTimer();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case idOK:
            FController.btnOKClick();
            return 0;
        case idOK2:
        case idCancelProcess:
            FController.btnOK2Click();
            return 0;
        case idCancel:
            FController.btnCancelClick();
            return 0;
        case IDCANCEL:
            FController.Escape();
            return 0; // Esc
        }
        break;
    case WM_CLOSE:
        FController.btnCancelClick();
        return 0;
    case WM_DESTROY:
        KillTimer(Handle(), kTimer);
        break;
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
