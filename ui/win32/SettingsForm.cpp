// The settings dialog (see SettingsForm.h).
#include "ui/win32/SettingsForm.h"

#include "framework/engine/CLEngine.h"
#include "framework/engine/MessageDialog.h"
#include "platform/win32/WinText.h"
#include "ui/win32/AccessibleObject.h"

#include <algorithm>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

namespace maskaddr {

namespace {

constexpr int kClientWidth = 434, kClientHeight = 265;

inline void FreeCoTaskMemory(PIDLIST_ABSOLUTE memory) {
    CoTaskMemFree(memory);
}
// The folder browser's item list, which the caller frees.
using TItemList = TUniqueHandle<PIDLIST_ABSOLUTE, TNullHandleTraits<PIDLIST_ABSOLUTE, FreeCoTaskMemory>>;

// A page of the page control: its caption is the tab's text, so the language file reaches it.
class TTabSheet final : public TComponent {
public:
    TTabSheet(TComponent* owner, std::string name, HWND tabs, int index, const std::string& caption)
        : TComponent(owner, std::move(name), "TTabSheet"), FTabs(tabs), FIndex(index) {
        std::wstring text = ToWide(caption);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(FTabs, TCM_INSERTITEMW, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&item));
        Publish(TextProperty(
            "Caption", "TCaption", [this] { return FCaption; },
            [this](const std::string& v) { SetCaption(v); }));
        FCaption = caption;
    }

private:
    void SetCaption(const std::string& caption) {
        FCaption = caption;
        std::wstring text = ToWide(caption);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(FTabs, TCM_SETITEMW, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&item));
    }
    HWND FTabs;
    int FIndex;
    std::string FCaption;
};

// Preselects the initial folder and takes away the context-help button.
int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM, LPARAM data) {
    if (msg != BFFM_INITIALIZED) return 0;
    SetWindowLongPtrW(dialog, GWL_EXSTYLE, GetWindowLongPtrW(dialog, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
    if (data != 0) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

// The browser column as wide as its longest name (within limits), the state column the rest
// of the list or what its longest text needs: then the list scrolls sideways.
void FitBrowserColumns(HWND list) {
    RECT client{};
    GetClientRect(list, &client);
    const int room = client.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
    const int names = std::clamp(static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0)), 80, room / 2);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, names);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
    if (SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0) < room - names)
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, room - names);
}

} // namespace

TfrmSettings::TfrmSettings(HWND owner, IFirefoxSetup& firefox, TSetRunAtLogon setRunAtLogon,
                           const TBrowserContext& context, TSettingsController::TEngineParts engine,
                           const TFormData& formData)
    : TWin32Form(nullptr, "frmSettings", "TfrmSettings"), FTexts(engine.Texts),
      FController(*this, firefox, std::move(setRunAtLogon), context, engine) {
    Position = TFormPosition::MainFormCenter;
    if (!CreateHandle("Settings", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, kClientWidth,
                      kClientHeight, owner))
        return;
    CreateControls();
    LoadWithEngine(formData);
    FController.FormCreate();
}

void TfrmSettings::CreateControls() {
    using namespace settingsIds;
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                                Px(8), Px(8), Px(kClientWidth - 16), Px(212), Handle(),
                                reinterpret_cast<HMENU>(pcSetting),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    new TTabSheet(this, "tsGeneral", tabs, 0, "General");
    new TTabSheet(this, "tsBrowser", tabs, 1, "Browser");
    new TTabSheet(this, "tsCoverage", tabs, 2, "Browser check");

    auto box = [&](int page, const char* name, const char* caption, int x, int y, int id) {
        FPages[page].push_back((new TCheckBoxControl(this, name, caption, x, y, 390, 20, id))->Handle());
    };
    auto button = [&](int page, const char* name, const char* caption, int x, int y, int w, int id) {
        FPages[page].push_back((new TButtonControl(this, name, caption, x, y, w, 25, id))->Handle());
    };
    box(0, "cbAutoRun", "Automatically run Maskaddr when I log on to Windows", 24, 44, cbAutoRun);
    box(0, "cbAutoUpdate", "Automatically check updates when Maskaddr starts", 24, 70, cbAutoUpdate);
    box(0, "cbTestIPfromLocal", "Test the proxies when Maskaddr starts", 24, 96, cbTestIPfromLocal);
    // One button a row: each can grow with its caption.
    button(0, "btnClearShowAgainFlag", "Clear Show Again Flag", 24, 126, 180, btnClearShowAgainFlag);
    button(0, "btnTestNow", "Test proxies now", 24, 156, 180, btnTestNow);
    auto* languageLabel = new TLabelControl(this, "lblLanguage", "Language:", 24, 192, 120, 18);
    SetWindowLongPtrW(languageLabel->Handle(), GWLP_ID, lblLanguage);
    FLanguage = new TComboBoxControl(this, "cbbLanguage", 150, 188, 246, 200, cbbLanguage);
    FPages[0].push_back(languageLabel->Handle());
    FPages[0].push_back(FLanguage->Handle());
    // A screen reader names the lists by their labels, and the page control by the dialog.
    NameByCaption(FLanguage->Handle(), languageLabel->Handle());
    NameByCaption(tabs, Handle());

    auto* label =
        new TLabelControl(this, "lblBrowser", "Enable Maskaddr For Selected Browsers", 24, 44, 390, 18);
    SetWindowLongPtrW(label->Handle(), GWLP_ID, lblBrowser);
    FPages[1].push_back(label->Handle());
    box(1, "cbIE", "Internet Explorer", 40, 68, cbIE);
    box(1, "cbFF", "Fire Fox", 40, 92, cbFF);
    box(1, "cbOpera", "Opera", 40, 116, cbOpera);
    button(1, "btnReinstallFF", "Re-install FireFox Extension", 24, 152, 220, btnReinstallFF);
    EnableWindow(GetDlgItem(Handle(), cbIE), FALSE); // shown, never changed by the user

    auto* coverage = new TLabelControl(this, "lblCoverage", "Which of your browsers Maskaddr hides:", 24, 44,
                                       390, 18);
    SetWindowLongPtrW(coverage->Handle(), GWLP_ID, lblCoverage);
    FPages[2].push_back(coverage->Handle());
    CreateBrowserList();
    NameByCaption(GetDlgItem(Handle(), lvBrowsers), coverage->Handle());
    button(2, "btnFollow", "Make it follow Maskaddr", 24, 186, 220, btnFollow);

    // Wide enough for the longest translation ("キャンセル(&C)"): they sit at the right edge.
    new TButtonControl(this, "btnOK", "&OK", kClientWidth - 180, kClientHeight - 36, 84, 25, btnOK, true);
    new TButtonControl(this, "btnCancel", "&Cancel", kClientWidth - 92, kClientHeight - 36, 84, 25,
                       btnCancel);
    // The page control lies under the pages' controls.
    SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Its column captions are the language's texts; a text cut by its column shows whole under
// the mouse.
void TfrmSettings::CreateBrowserList() {
    auto* list = new TWin32Control(this, "lvBrowsers", "TListView", WC_LISTVIEWW, "",
                                   WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                       LVS_NOSORTHEADER,
                                   24, 64, kClientWidth - 48, 114, settingsIds::lvBrowsers);
    SendMessageW(list->Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    const char* keys[] = {"Browsers.Column.Browser", "Browsers.Column.State"};
    for (int column = 0; column < 2; ++column) {
        std::wstring caption = ToWide(FTexts.GetAppStringEx(keys[column], {}));
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = caption.data();
        c.cx = (kClientWidth - 48) / 2;
        SendMessageW(list->Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
    }
    FPages[2].push_back(list->Handle());
}

int TfrmSettings::BoxId(TSettingsBox box) const {
    using namespace settingsIds;
    switch (box) {
    case TSettingsBox::AutoRun:
        return cbAutoRun;
    case TSettingsBox::AutoUpdate:
        return cbAutoUpdate;
    case TSettingsBox::TestIPfromLocal:
        return cbTestIPfromLocal;
    case TSettingsBox::IE:
        return cbIE;
    case TSettingsBox::FF:
        return cbFF;
    default:
        return cbOpera;
    }
}

bool TfrmSettings::OnPage(HWND control) const {
    for (const auto& [page, controls] : FPages)
        if (std::find(controls.begin(), controls.end(), control) != controls.end()) return true;
    return false;
}

bool TfrmSettings::Checked(TSettingsBox box) {
    return IsDlgButtonChecked(Handle(), BoxId(box)) == BST_CHECKED;
}

void TfrmSettings::SetChecked(TSettingsBox box, bool checked) {
    CheckDlgButton(Handle(), BoxId(box), checked ? BST_CHECKED : BST_UNCHECKED);
}

void TfrmSettings::SelectPage(int index) {
    SendMessageW(GetDlgItem(Handle(), settingsIds::pcSetting), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (const auto& [page, controls] : FPages)
        for (HWND control : controls)
            ShowWindow(control, page == index ? SW_SHOW : SW_HIDE);
}

void TfrmSettings::SetLanguages(const std::vector<std::string>& names, int selected) {
    FLanguage->ClearItems();
    for (const std::string& name : names)
        FLanguage->AddItem(name);
    FLanguage->SetItemIndex(selected);
}

std::string TfrmSettings::SelectedLanguage() {
    const int index = FLanguage->ItemIndex();
    return index < 0 ? std::string() : FLanguage->ItemText(index);
}

std::optional<std::string> TfrmSettings::BrowseForFolder(const std::string& title,
                                                         const std::string& initialFolder) {
    const std::wstring wideTitle = ToWide(title), initial = ToWide(initialFolder);
    BROWSEINFOW info{};
    info.hwndOwner = Handle();
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    info.lpfn = BrowseCallback;
    info.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
    TItemList chosen(SHBrowseForFolderW(&info));
    if (!chosen) return std::nullopt; // cancelled
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.Get(), path)) {
        TraceFailedCall("SHGetPathFromIDListW", title, "the chosen item is no file-system folder");
        return std::nullopt;
    }
    return ToUtf8(path);
}

void TfrmSettings::SetBrowserRows(const std::vector<std::pair<std::string, std::string>>& rows) {
    HWND list = GetDlgItem(Handle(), settingsIds::lvBrowsers);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        std::wstring name = ToWide(rows[i].first), state = ToWide(rows[i].second);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = name.data();
        const LRESULT at = SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        if (at < 0) continue;
        item.iSubItem = 1;
        item.pszText = state.data();
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
    }
    FitBrowserColumns(list);
}

int TfrmSettings::SelectedBrowserRow() {
    return static_cast<int>(
        SendMessageW(GetDlgItem(Handle(), settingsIds::lvBrowsers), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                     LVNI_SELECTED));
}

void TfrmSettings::SetFollowEnabled(bool enabled) {
    EnableWindow(GetDlgItem(Handle(), settingsIds::btnFollow), enabled ? TRUE : FALSE);
}

void TfrmSettings::OnCommand(int id) {
    using namespace settingsIds;
    switch (id) {
    case btnOK:
        FController.btnOKClick();
        CloseModal(mr::OK);
        return;
    case btnCancel:
        CloseModal(mr::Cancel);
        return;
    case btnClearShowAgainFlag:
        FController.btnClearShowAgainFlagClick();
        return;
    case btnReinstallFF:
        FController.btnReinstallFFClick();
        return;
    case btnTestNow:
        FController.btnTestNowClick();
        return;
    case btnFollow:
        FController.btnFollowClick();
        return;
    }
}

bool TfrmSettings::OnNotify(const NMHDR& notice) {
    if (notice.idFrom == settingsIds::pcSetting && notice.code == TCN_SELCHANGE)
        SelectPage(static_cast<int>(SendMessageW(notice.hwndFrom, TCM_GETCURSEL, 0, 0)));
    else if (notice.idFrom == settingsIds::lvBrowsers && notice.code == LVN_ITEMCHANGED)
        FController.lvBrowsersSelectItem();
    else
        return false;
    return true;
}

LRESULT TfrmSettings::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam))) return 0;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: // controls on a page take the page's ground, not the dialog's
        if (OnPage(reinterpret_cast<HWND>(lParam))) {
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_DESTROY: // the owner went (the session ends): the modal loop ends with it
        if (IsShowingModal()) CloseModal(mr::Cancel);
        break;
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
