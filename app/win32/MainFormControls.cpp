// The main window's controls: where each lies, and the keyboard's way through them.
#include "app/win32/MainForm.h"

#include "app/MainIds.h"
#include "platform/win32/WinText.h"
#include "ui/win32/AccessibleObject.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace maskaddr {

void TfrmMain::CreateControls() {
    // The panel that holds the status overlay.
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, Px(kMainClientWidth), Px(180),
                    Handle(), reinterpret_cast<HMENU>(ids::pnlFlash), GetModuleHandleW(nullptr), nullptr);

    new TButtonControl(this, "btnHide", "", 16, 196, 150, 32, ids::btnHide, true);
    new TButtonControl(this, "btnChooseIP", "", 16, 236, 150, 32, ids::btnChooseIP);
    new TButtonControl(this, "btnSettings", "", 16, 276, 150, 32, ids::btnSettings);

    auto* flag = new TWin32Control(this, "imgFL", "TImage", L"STATIC", "", SS_BITMAP | SS_NOTIFY | SS_SUNKEN,
                                   192, 200, 48, 48, ids::imgFL);
    flag->SetHint("Flag of fake location");
    auto* fake = new TLabelControl(this, "lblFake", "Fake location:", 252, 204, 260, 18);
    SetWindowLongPtrW(fake->Handle(), GWLP_ID, ids::lblFake);
    auto* country = new TLabelControl(this, "lblIPCountry", "Auto selected", 252, 226, 260, 20);
    SetWindowLongPtrW(country->Handle(), GWLP_ID, ids::lblIPCountry);
    SendMessageW(country->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(BoldFont()), FALSE);

    new TCheckBoxControl(this, "cbAutorun", "Launch On Startup", 192, 256, 320, 20, ids::cbAutorun);
    new TCheckBoxControl(this, "cbChangeIP", "Change IP Every                     Minutes ", 192, 280, 320,
                         20, ids::cbChangeIP);
    HWND edit = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"10", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER, Px(304), Px(279), Px(44), Px(22),
        Handle(), reinterpret_cast<HMENU>(ids::edtChangeIPTime), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    HWND spin = CreateWindowExW(
        0, UPDOWN_CLASSW, L"",
        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0,
        0, Handle(), reinterpret_cast<HMENU>(ids::udChangeIPTime), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageW(spin, UDM_SETRANGE32, 1, 120);
    SendMessageW(spin, UDM_SETPOS32, 0, 10);
    // The interval's edit and its arrows are named by the check box that switches them.
    for (HWND part : {edit, spin}) NameByCaption(part, Control(ids::cbChangeIP));
    auto* clear = new TCheckBoxControl(this, "cbClearCookie", "Clear Cookies When IP Changes", 192, 304, 320,
                                       20, ids::cbClearCookie);
    ShowWindow(clear->Handle(), SW_HIDE);
    // The buttons take their captions from their actions.
    BindHideCommand(false);
    SetWindowTextW(Control(ids::btnChooseIP), ToWide(FActions[ids::actChooseIPCountry]->Caption()).c_str());
    SetWindowTextW(Control(ids::btnSettings), ToWide(FActions[ids::actSettings]->Caption()).c_str());
}

// The interval's spin edit sits on the run of blanks in the check box's caption, which
// each language places where its word order wants the number.
void TfrmMain::PlaceChangeIPTime() {
    HWND box = Control(ids::cbChangeIP), edit = Control(ids::edtChangeIPTime),
         spin = Control(ids::udChangeIPTime);
    const int length = GetWindowTextLengthW(box);
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(box, caption.data(), length + 1);
    caption.resize(static_cast<size_t>(length));
    const size_t blanks = caption.find(L"  ");
    if (blanks == std::wstring::npos) return;
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
    RECT boxRect{}, editRect{}, spinRect{};
    GetWindowRect(box, &boxRect);
    GetWindowRect(edit, &editRect);
    GetWindowRect(spin, &spinRect);
    for (RECT* r : {&boxRect, &editRect, &spinRect})
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(r), 2);
    const int left = boxRect.left + CheckBoxTextOffset(Dpi()) + CaptionExtent(caption.substr(0, blanks), font).cx +
                     CaptionExtent(L" ", font).cx;
    const int shift = left - editRect.left;
    // The edit and its spin lie over the check box's blanks: they go above it, and the
    // check box stops painting over them when its caption is set again.
    SetWindowLongPtrW(box, GWL_STYLE, GetWindowLongPtrW(box, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(edit, HWND_TOP, editRect.left + shift, editRect.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(spin, HWND_TOP, spinRect.left + shift, spinRect.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    for (HWND w : {box, edit, spin})
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

// The interval's edit lies over its check box's caption, and so comes before the box in the
// windows' own order, which the system's Tab would follow. Enter on a button presses it (the
// system's dialog keys take Enter for the default button of a dialog, which this is not).
bool TfrmMain::TabKey(const MSG& m) {
    if (m.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 ||
        (m.hwnd != Handle() && !IsChild(Handle(), m.hwnd)))
        return false;
    if (m.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        const int id = GetDlgCtrlID(focus);
        if (id != ids::btnHide && id != ids::btnChooseIP && id != ids::btnSettings) return false;
        SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
        return true;
    }
    if (m.wParam != VK_TAB) return false;
    static constexpr int kOrder[] = {ids::btnHide,  ids::btnChooseIP,      ids::btnSettings,  ids::cbAutorun,
                                     ids::cbChangeIP, ids::edtChangeIPTime, ids::cbClearCookie};
    constexpr int count = static_cast<int>(std::size(kOrder));
    const int focused = GetDlgCtrlID(GetFocus());
    int at = static_cast<int>(std::find(std::begin(kOrder), std::end(kOrder), focused) - std::begin(kOrder));
    if (at == count) at = count - 1; // from outside the list: the first control comes next
    const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
    for (int i = 0; i < count; ++i) {
        at = (at + step) % count;
        HWND next = Control(kOrder[at]);
        if (next != nullptr && IsWindowVisible(next) && IsWindowEnabled(next)) {
            SetFocus(next);
            break;
        }
    }
    return true;
}

} // namespace maskaddr
