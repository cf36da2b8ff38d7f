// Win32 windows and controls in the component model (see Win32Form.h).
#include "ui/win32/Win32Form.h"

#include "framework/engine/CLEngine.h"
#include "framework/engine/Skin.h"
#include "framework/language/CLForm.h"
#include "framework/language/CLMultiLang.h"
#include "platform/win32/WinText.h"

#include <commctrl.h>

#include <algorithm>

namespace maskaddr {

TGdiFont CreateUiFont(bool bold, UINT dpi) {
    if (dpi == 0) dpi = GetDpiForSystem();
    const int height = -MulDiv(8, static_cast<int>(dpi), 72);
    return TGdiFont(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

namespace {
constexpr wchar_t kAccessibleNameProp[] = L"Maskaddr.AccessibleName";

LRESULT CALLBACK AccessibleNameProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* name = reinterpret_cast<std::wstring*>(data);
    switch (msg) {
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(name->size());
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) return 0;
        const size_t n = std::min<size_t>(name->size(), wParam - 1);
        auto* out = reinterpret_cast<wchar_t*>(lParam);
        std::copy_n(name->data(), n, out);
        out[n] = L'\0';
        return static_cast<LRESULT>(n);
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, AccessibleNameProc, id);
        RemovePropW(w, kAccessibleNameProp);
        delete name;
        break;
    }
    return DefSubclassProc(w, msg, wParam, lParam);
}
} // namespace

void SetAccessibleName(HWND control, const std::string& name) {
    if (control == nullptr) return;
    if (auto* known = static_cast<std::wstring*>(GetPropW(control, kAccessibleNameProp))) {
        *known = ToWide(name);
    } else {
        auto* text = new std::wstring(ToWide(name));
        if (SetWindowSubclass(control, AccessibleNameProc, 1, reinterpret_cast<DWORD_PTR>(text)))
            SetPropW(control, kAccessibleNameProp, text);
        else
            delete text;
    }
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SIZE CaptionExtent(const std::wstring& caption, HFONT font, int wrapWidth) {
    const TWindowDC screen(nullptr);
    const HGDIOBJ previous = SelectObject(screen.Get(), font);
    RECT r{0, 0, wrapWidth, 0};
    DrawTextW(screen.Get(), caption.c_str(), static_cast<int>(caption.size()), &r,
              DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(screen.Get(), previous);
    return {r.right - r.left, r.bottom - r.top};
}

// The box's width and the gap the button control leaves before the caption.
int CheckBoxTextOffset(UINT dpi) {
    return GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) + ScaledPixels(4, dpi);
}

namespace {

// The outer rectangle of a window with that frame and client size, centred on the
// window centreOn, or on the screen when there is none.
RECT CentredFrame(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, HWND centreOn) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    int w = r.right - r.left, h = r.bottom - r.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (centreOn != nullptr) GetWindowRect(centreOn, &area);
    int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
    // A window larger than the one it is centred on stays on the screen.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    x = std::max<int>(work.left, std::min<int>(x, work.right - w));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
    return {x, y, x + w, y + h};
}

COLORREF ToColorRef(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

} // namespace

// ---- TWin32Form ----

TWin32Form::TWin32Form(TComponent* owner, std::string name, std::string className)
    : TForm(owner, std::move(name), std::move(className)) {
    Publish(TextProperty(
        "Caption", "TCaption",
        [this] {
            wchar_t buffer[512] = {};
            if (Handle() != nullptr) GetWindowTextW(Handle(), buffer, 512);
            return ToUtf8(buffer);
        },
        [this](const std::string& v) {
            if (Handle() != nullptr) SetWindowTextW(Handle(), ToWide(v).c_str());
        }));
}

bool TWin32Form::CreateHandle(const std::string& caption, DWORD style, DWORD exStyle, int clientWidth,
                              int clientHeight, HWND ownerWindow) {
    const TWindowClassInfo formClass{ToWide(ClassName()), CS_HREDRAW | CS_VREDRAW,
                                     reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                     LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1))};
    FDpi = GetDpiForSystem();
    const RECT frame = CentredFrame(style, exStyle, Px(clientWidth), Px(clientHeight),
                                    Position == TFormPosition::MainFormCenter ? ownerWindow : nullptr);
    if (!CreateWindowHandle(formClass, caption, style, exStyle, frame, ownerWindow)) return false;
    // A window created on a monitor of another scale than the system's is laid out for it.
    const UINT monitorDpi = GetDpiForWindow(Handle());
    if (monitorDpi != 0 && monitorDpi != FDpi) {
        FDpi = monitorDpi;
        const RECT resized = CentredFrame(style, exStyle, Px(clientWidth), Px(clientHeight),
                                          Position == TFormPosition::MainFormCenter ? ownerWindow : nullptr);
        SetWindowPos(Handle(), nullptr, resized.left, resized.top, resized.right - resized.left,
                     resized.bottom - resized.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FFont = CreateUiFont(false, FDpi);
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
    // Focus rectangles and access keys always show: they are how a keyboard user finds the way.
    SendMessageW(Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    return true;
}

HFONT TWin32Form::BoldFont() {
    if (!FBoldFont) FBoldFont = CreateUiFont(true, FDpi);
    return FBoldFont.Get();
}

void TWin32Form::ChangeDpi(UINT dpi, const RECT& suggested) {
    const UINT old = FDpi;
    if (dpi == 0 || dpi == old) return;
    FDpi = dpi;
    const HFONT oldFont = FFont.Get(), oldBold = FBoldFont.Get();
    TGdiFont keepFont(FFont.Detach()), keepBold(FBoldFont.Detach()); // until no child uses them
    FFont = CreateUiFont(false, FDpi);
    if (oldBold != nullptr) FBoldFont = CreateUiFont(true, FDpi);
    for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
        auto scale = [&](LONG v) { return MulDiv(v, static_cast<int>(dpi), static_cast<int>(old)); };
        SetWindowPos(child, nullptr, scale(r.left), scale(r.top), scale(r.right) - scale(r.left),
                     scale(r.bottom) - scale(r.top), SWP_NOZORDER | SWP_NOACTIVATE);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (font == oldFont || (font == oldBold && oldBold != nullptr))
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font == oldFont ? FFont.Get() : FBoldFont.Get()),
                         TRUE);
    }
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A window that changes its frame keeps whether it is shown and enabled; it is centred
// again, on its owner only while the owner can be seen.
void TWin32Form::SetFrame(DWORD style, DWORD exStyle, int clientWidth, int clientHeight) {
    if (Handle() == nullptr) return;
    const LONG_PTR kept = GetWindowLongPtrW(Handle(), GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
    SetWindowLongPtrW(Handle(), GWL_STYLE, static_cast<LONG_PTR>(style) | kept);
    SetWindowLongPtrW(Handle(), GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle));
    HWND owner = GetWindow(Handle(), GW_OWNER);
    bool onOwner = Position == TFormPosition::MainFormCenter && owner != nullptr && IsWindowVisible(owner);
    RECT r = CentredFrame(style, exStyle, Px(clientWidth), Px(clientHeight), onOwner ? owner : nullptr);
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HWND TWin32Form::Tooltip() {
    if (FTooltip == nullptr && Handle() != nullptr)
        FTooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    return FTooltip;
}

void TWin32Form::TSkinListener::Reset(TSkinData* data, TWin32Form* form) {
    if (Data != nullptr) Data->RemoveChangeListener(Id);
    Data = data;
    if (Data != nullptr) Id = Data->AddChangeListener([form] { form->RefreshSkin(); });
}

void TWin32Form::UseSkin(TSkinData* skinData) {
    FSkinListener.Reset(skinData, this);
    RefreshSkin();
}

void TWin32Form::RefreshSkin() {
    TSkinData* skin = HighContrastOn() ? nullptr : SkinData(); // high contrast: the system's colours
    FSkinBrush.Attach(
        skin != nullptr ? CreateSolidBrush(ToColorRef(skin->Current().Color("Window", 0xF0F0F0))) : nullptr);
    if (Handle() != nullptr)
        RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT TWin32Form::PaintSkinned(UINT msg, WPARAM wParam, LPARAM, bool& handled) {
    handled = false;
    if (!FSkinBrush || SkinData() == nullptr) return 0;
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, FSkinBrush.Get());
        handled = true;
        return 1;
    }
    // WM_CTLCOLORSTATIC and WM_CTLCOLORBTN: control texts on the skin's background.
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, ToColorRef(SkinData()->Current().Color("WindowText", 0)));
    SetBkColor(dc, ToColorRef(SkinData()->Current().Color("Window", 0xF0F0F0)));
    handled = true;
    return reinterpret_cast<LRESULT>(FSkinBrush.Get());
}

LRESULT TWin32Form::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        bool handled = false;
        LRESULT r = PaintSkinned(msg, wParam, lParam, handled);
        if (handled) return r;
        break;
    }
    case WM_DPICHANGED:
        ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST) RefreshSkin();
        break;
    case WM_ACTIVATE:
        // As a dialog does: the keyboard goes back to the control that had it, or to the first
        // one, so that Tab, Enter and the access keys work from the start.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focus = GetFocus(); focus != nullptr && IsChild(Handle(), focus)) FLastFocus = focus;
        } else if ((GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_CHILD) == 0) {
            HWND target = FLastFocus != nullptr && IsChild(Handle(), FLastFocus)
                              ? FLastFocus
                              : FirstFocus();
            if (target != nullptr && HIWORD(wParam) == 0) { // not while minimised
                SetFocus(target);
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        if (FModal) {
            CloseModal(ModalResult != 0 ? ModalResult : 2);
            return 0;
        }
        break;
    }
    return DefaultMessage(msg, wParam, lParam);
}

// Controls keep a margin to the client area's right edge.
void TWin32Form::FitControlsToCaptions() {
    RECT client{};
    GetClientRect(Handle(), &client);
    for (TComponent* c : Components())
        if (auto* control = dynamic_cast<TWin32Control*>(c)) control->FitToCaption(client.right - Px(12));
}

void TWin32Form::LoadWithEngine(const TFormData& data) {
    auto* form = new TCLForm(this, "CLForm", data);
    form->FRuntimeSetLanguageData = true;
    auto* language = new TCLMultiLang(this, "CLMultiLang");
    language->FOnChangeLanguage = [this](TCLMultiLang*) { FitControlsToCaptions(); };
    if (data.SkinData != nullptr) UseSkin(static_cast<TSkinData*>(data.SkinData));
    LoadComponents();
}

int TWin32Form::ShowModal() {
    if (Handle() == nullptr || FModal) return 0;
    HWND owner = GetWindow(Handle(), GW_OWNER);
    bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ModalResult = 0;
    FModal = true;
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    MSG m;
    while (FModal) {
        BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(m.wParam)); // the outer loop must end too
            FModal = false;
            break;
        }
        if (!IsDialogMessageW(Handle(), &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
    if (owner != nullptr) SetActiveWindow(owner);
    return ModalResult;
}

void TWin32Form::CloseModal(int result) {
    ModalResult = result;
    FModal = false;
    PostMessageW(Handle(), WM_NULL, 0, 0); // wake the modal loop
}

// ---- controls ----

TWin32Control::TWin32Control(TWin32Form* owner, std::string name, std::string className,
                             const wchar_t* windowClass, const std::string& text, DWORD style, int x, int y,
                             int width, int height, int id, HWND parent)
    : TComponent(owner, std::move(name), std::move(className)), FForm(owner), FId(id), FDesignWidth(width) {
    FHandle = CreateWindowExW(0, windowClass, ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, owner->Px(x),
                              owner->Px(y), owner->Px(width), owner->Px(height),
                              parent != nullptr ? parent : owner->Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                              nullptr);
    if (FHandle != nullptr) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(owner->Font()), FALSE);
    Publish(TextProperty(
        "Hint", "string", [this] { return FHint; }, [this](const std::string& v) { SetHint(v); }));
}

std::string TWin32Control::GetText() const {
    int length = GetWindowTextLengthW(FHandle);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(FHandle, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return ToUtf8(text);
}

void TWin32Control::SetText(const std::string& text) {
    SetWindowTextW(FHandle, ToWide(text).c_str());
}

void TWin32Control::SetHint(const std::string& hint) {
    FHint = hint;
    HWND tip = FForm->Tooltip();
    if (tip == nullptr) return;
    std::wstring text = ToWide(hint);
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = FForm->Handle();
    ti.uId = reinterpret_cast<UINT_PTR>(FHandle);
    ti.lpszText = text.data();
    SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (!hint.empty()) SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void TWin32Control::FitToCaption(int maxRight) {
    if (FCaptionPadding < 0 || FHandle == nullptr) return;
    RECT r{};
    GetWindowRect(FHandle, &r);
    MapWindowPoints(nullptr, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(FHandle, WM_GETFONT, 0, 0));
    const int needed = CaptionExtent(ToWide(GetText()), font).cx + FForm->Px(FCaptionPadding) +
                       (FCheckBox ? CheckBoxTextOffset(FForm->Dpi()) : 0);
    const int width = std::max(FForm->Px(FDesignWidth), std::min(needed, maxRight - static_cast<int>(r.left)));
    if (width != r.right - r.left)
        SetWindowPos(FHandle, nullptr, 0, 0, width, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32Control::PublishWindowText(const std::string& propName, const std::string& typeName) {
    Publish(TextProperty(
        propName, typeName, [this] { return GetText(); }, [this](const std::string& v) { SetText(v); }));
}

TLabelControl::TLabelControl(TWin32Form* owner, std::string name, const std::string& caption, int x, int y,
                             int w, int h, HWND parent)
    : TWin32Control(owner, std::move(name), "TLabel", L"STATIC", caption, SS_LEFT | SS_NOTIFY, x, y, w, h, -1,
                    parent) {
    PublishWindowText("Caption", "TCaption");
    FCaptionPadding = 0;
}

TButtonControl::TButtonControl(TWin32Form* owner, std::string name, const std::string& caption, int x, int y,
                               int w, int h, int id, bool isDefault, HWND parent)
    : TWin32Control(owner, std::move(name), "TButton", L"BUTTON", caption,
                    WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x, y, w, h, id, parent) {
    PublishWindowText("Caption", "TCaption");
    FCaptionPadding = kButtonTextMargin;
}

TCheckBoxControl::TCheckBoxControl(TWin32Form* owner, std::string name, const std::string& caption, int x,
                                   int y, int w, int h, int id, HWND parent)
    : TWin32Control(owner, std::move(name), "TCheckBox", L"BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, x,
                    y, w, h, id, parent) {
    PublishWindowText("Caption", "TCaption");
    FCaptionPadding = 0;
    FCheckBox = true;
}

bool TCheckBoxControl::Checked() const {
    return SendMessageW(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void TCheckBoxControl::SetChecked(bool checked) {
    SendMessageW(FHandle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

TComboBoxControl::TComboBoxControl(TWin32Form* owner, std::string name, int x, int y, int w, int h, int id,
                                   HWND parent)
    : TWin32Control(owner, std::move(name), "TComboBox", L"COMBOBOX", "",
                    WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, x, y, w, h, id, parent) {}

void TComboBoxControl::AddItem(const std::string& text) {
    SendMessageW(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

void TComboBoxControl::ClearItems() {
    SendMessageW(FHandle, CB_RESETCONTENT, 0, 0);
}

int TComboBoxControl::ItemCount() const {
    return static_cast<int>(SendMessageW(FHandle, CB_GETCOUNT, 0, 0));
}

std::string TComboBoxControl::ItemText(int index) const {
    const LRESULT length = SendMessageW(FHandle, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(FHandle, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return ToUtf8(text);
}

int TComboBoxControl::ItemIndex() const {
    return static_cast<int>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
}

void TComboBoxControl::SetItemIndex(int index) {
    SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

TMemoControl::TMemoControl(TWin32Form* owner, std::string name, int x, int y, int w, int h, HWND parent)
    : TWin32Control(owner, std::move(name), "TMemo", L"EDIT", "",
                    WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, x, y, w, h, -1,
                    parent) {
    TProperty lines;
    lines.Name = "Lines";
    lines.TypeName = "TStrings";
    lines.Kind = TPropKind::Strings;
    lines.Get = [this] { return GetText(); };
    lines.Set = [this](const std::string& v) { SetText(JoinLines(SplitLines(v))); };
    Publish(std::move(lines));
}

} // namespace maskaddr
