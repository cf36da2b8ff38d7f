// The country chooser's window (see ChooseIPCountryForm.h).
#include "ui/win32/ChooseIPCountryForm.h"

#include "framework/engine/CLEngine.h"

#include "base/DebugTrace.h"
#include "framework/engine/MessageDialog.h"
#include "platform/win32/Picture.h"
#include "platform/win32/WinText.h"

#include <commctrl.h>

#include <cstdio>

namespace maskaddr {

namespace {

constexpr int kClientWidth = 451, kClientHeight = 450;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, kExStyle = WS_EX_DLGMODALFRAME;
constexpr wchar_t kFilterOwner[] = L"Maskaddr.ChooserKeyFilter";

} // namespace

TfrmChooseIPCountry::TfrmChooseIPCountry(HWND owner, TProxyManager& pool, IAppTexts& texts,
                                         const TPlatform& platform, TCLSettings& settings,
                                         const TFormData& formData)
    : TWin32Form(nullptr, "frmChooseIPCountry", "TfrmChooseIPCountry"), FOwner(owner), FTexts(texts),
      FFiles(*platform.Files), FController(*this, pool, platform, settings) {
    Position = TFormPosition::MainFormCenter;
    if (!CreateHandle("Choose IP Country", kStyle, kExStyle, kClientWidth, kClientHeight, owner)) return;
    CreateControls();
    LoadWithEngine(formData); // the engine's language and skin, as every window of ours
    FController.FormCreate();
    InstallKeyFilter();
}

TfrmChooseIPCountry::~TfrmChooseIPCountry() {
    DestroyHandle(); // the map and the controls go while the whole object handles their end
}

double TfrmChooseIPCountry::NowMs() {
    LARGE_INTEGER f{}, c{};
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return f.QuadPart == 0 ? 0 : static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void TfrmChooseIPCountry::CreateControls() {
    new TWin32Control(this, "imgFL", "TImage", L"STATIC", "", SS_BITMAP, 17, 8, 48, 48, idFlag);
    auto* label = new TLabelControl(this, "lblCountry", "Country", 77, 10, 200, 16);
    SetWindowLongPtrW(label->Handle(), GWLP_ID, idCountryLabel);
    FCountry = new TComboBoxControl(this, "cbbCountry", 77, 28, 357, 320, idCountry);
    HWND panel = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 Px(17), Px(62), Px(kPanelWidth), Px(kPanelHeight), Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(idPanel)),
                                 GetModuleHandleW(nullptr), nullptr);
    FMap = std::make_unique<TMapView>(panel, FFiles);
    FMap->OnProgressChange = [this](TMapView*, int progress, int max) {
        FController.wbMapProgressChange(progress, max);
        if (progress == max && !FFirstMapTraced && FOpenedAt > 0) {
            FFirstMapTraced = true;
            char ms[32];
            std::snprintf(ms, sizeof ms, "%.1f", NowMs() - FOpenedAt);
            DebugTrace::Trace("ChooseIPCountry",
                              std::string("First map drawn ") + ms + " ms after the command");
        }
    };
    CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, Px(17), Px(420), Px(200), Px(16), Handle(),
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(idGauge)), GetModuleHandleW(nullptr),
                    nullptr);
    SendMessageW(Control(idGauge), PBM_SETRANGE32, 0, 100);
    // Wide enough for the longest translation ("キャンセル(&C)").
    new TButtonControl(this, "btnOK", "&OK", 262, 415, 84, 25, IDOK, true);
    new TButtonControl(this, "btnCancel", "&Cancel", 350, 415, 84, 25, IDCANCEL);
}

// The map's window procedure gets the filter in front of it; the saved one (FIEMapMes)
// receives every message the filter lets through.
void TfrmChooseIPCountry::InstallKeyFilter() {
    if (!FMap || FMap->Handle() == nullptr) return;
    SetPropW(FMap->Handle(), kFilterOwner, this);
    FIEMapMes = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FMap->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeyFilter)));
}

LRESULT CALLBACK TfrmChooseIPCountry::KeyFilter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TfrmChooseIPCountry*>(GetPropW(hwnd, kFilterOwner));
    if (self == nullptr || self->FIEMapMes == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if ((msg == WM_KEYDOWN || msg == WM_KEYUP) && MapKeyDropped(static_cast<unsigned>(wParam))) return 0;
    const WNDPROC next = self->FIEMapMes;
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kFilterOwner);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        self->FIEMapMes = nullptr;
    }
    return CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

int TfrmChooseIPCountry::Execute() {
    if (Handle() == nullptr) return mr::Cancel;
    return ShowModal();
}

// ---- IChooseIPCountryView ----

void TfrmChooseIPCountry::AddItem(const std::string& text) {
    FCountry->AddItem(text);
}

int TfrmChooseIPCountry::ItemCount() {
    return FCountry->ItemCount();
}

std::string TfrmChooseIPCountry::ItemText(int index) {
    return FCountry->ItemText(index);
}

int TfrmChooseIPCountry::ItemIndex() {
    return FCountry->ItemIndex();
}

void TfrmChooseIPCountry::SetItemIndex(int index) {
    FCountry->SetItemIndex(index);
    NamePictures();
}

// The flag stretched into 48 x 48 over the dialog's ground.
// The names a screen reader reads for the two pictures (their window texts are not drawn).
void TfrmChooseIPCountry::NamePictures() {
    if (ItemIndex() < 0) return;
    const std::string country = ItemText(ItemIndex());
    // Without the language's words the country alone still names them.
    auto named = [this, &country](const char* key) {
        const std::string text = FTexts.GetAppStringEx(key, {country});
        return text.empty() ? country : text;
    };
    SetAccessibleName(Control(idFlag), named("Access.FlagOf"));
    SetAccessibleName(Control(idPanel), named("Access.MapOf"));
}

void TfrmChooseIPCountry::LoadPNG(const std::string& aFileName) {
    NamePictures();
    TGdiBitmap flag = StretchPicture(LoadPictureFile(aFileName), Px(48), Px(48));
    if (!flag) return;
    SendMessageW(Control(idFlag), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(flag.Get()));
    SetWindowPos(Control(idFlag), nullptr, 0, 0, Px(48), Px(48), SWP_NOMOVE | SWP_NOZORDER);
    FFlagBitmap = std::move(flag);
}

void TfrmChooseIPCountry::LoadMapDocument(const std::string& text, const std::string& baseFolder) {
    if (FMap) FMap->LoadFromString(text, baseFolder);
}

void TfrmChooseIPCountry::SetGauge(bool visible, int max, int value) {
    HWND gauge = Control(idGauge);
    SendMessageW(gauge, PBM_SETRANGE32, 0, max);
    SendMessageW(gauge, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    ShowWindow(gauge, visible ? SW_SHOWNA : SW_HIDE);
}

void TfrmChooseIPCountry::ShowError(const std::string& text) {
    MessageBoxW(Handle(), ToWide(text).c_str(), L"Maskaddr", MB_OK | MB_ICONERROR);
}

// ---- messages ----

LRESULT TfrmChooseIPCountry::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            FController.btnOKClick();
            CloseModal(mr::OK);
            return 0;
        case IDCANCEL:
            CloseModal(mr::Cancel);
            return 0;
        case idCountry:
            if (HIWORD(wParam) == CBN_SELCHANGE) FController.cbbCountryChange();
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MOVE || (wParam & 0xFFF0) == SC_SIZE) return 0; // not draggable
        break;
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION) { // nor dragged by its caption
            SetForegroundWindow(Handle());
            return 0;
        }
        break;
    case WM_DESTROY:
        if (IsShowingModal()) CloseModal(mr::Cancel); // the owner went (the session ends)
        break;
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
