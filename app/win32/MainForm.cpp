// The main window (see MainForm.h).
#include "app/win32/MainForm.h"

#include "app/AppSettings.h"
#include "app/MainIds.h"
#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/engine/Skin.h"
#include "framework/language/CLForm.h"
#include "framework/language/CLMultiLang.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/Picture.h"
#include "platform/win32/WinText.h"
#include "ui/win32/AccessibleObject.h"
#include "ui/win32/ChooseIPCountryForm.h"
#include "ui/win32/SettingsForm.h"
#include "ui/win32/TestingForm.h"

#include <commctrl.h>

namespace maskaddr {

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
// Each timer of the main window, by TMainTimer: its identifier and interval.
struct TTimerDef {
    UINT_PTR Id;
    UINT Interval;
    const char* Name; // in the trace of a timer the system refused
};
constexpr TTimerDef kTimers[] = {{1, 1000, "the init timer"},
                                 {2, 10000, "the rotation timer"},
                                 {3, 900000, "the keep-alive timer"},
                                 {4, 1000, "the settings watch"}}; // Init, ChangeIP, Touch, Watch

const TTimerDef& TimerDef(TMainTimer t) {
    return kTimers[static_cast<size_t>(t)];
}

// A text of the window that is no control (the tray icon's hint, the language menu's
// caption): a component of its own, so the language file reaches it.
class TTextComponent final : public TComponent {
public:
    TTextComponent(TComponent* owner, std::string name, std::string className, const std::string& property,
                   std::string text, std::function<void(const std::string&)> apply)
        : TComponent(owner, std::move(name), std::move(className)), FText(std::move(text)),
          FApply(std::move(apply)) {
        Publish(TextProperty(
            property, "string", [this] { return FText; },
            [this](const std::string& v) {
                FText = v;
                FApply(v);
            }));
    }

private:
    std::string FText;
    std::function<void(const std::string&)> FApply;
};

} // namespace

TfrmMain::TfrmMain(const TPlatform& platform)
    : TWin32Form(nullptr, "frmMain", "TfrmMain"), FPlatform(platform) {}

bool TfrmMain::Create(bool trayOnly) {
    Position = TFormPosition::ScreenCenter;
    if (!CreateHandle("Maskaddr", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                      0, kMainClientWidth, kMainClientHeight))
        return false;
    TraceStartupStep("Main window created");
    FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    FHost.SetOwner(Handle());

    CreateActions();
    CreateControls();
    // The framework's components, in the order the window declares them.
    FEngine = std::make_unique<TCLEngine>(this, FHost, FPlatform, Settings());
    FEngine->SetSettingDefault({"Path.Skins=skins", "Path.Languages=lang"});
    FEngine->SetParentHWND(0);
    FEngine->SetSkinForm(this);
    FController.SetEngine(FEngine.get());
    new TCLForm(this, "CLForm");
    FLanguageData = new TCLMultiLangData(this, "CLMultiLangData");
    FLanguage = new TCLMultiLang(this, "CLMultiLang");
    FLanguage->SetLanguageData(FLanguageData);
    FSkinData = new TSkinData(this, "spSkinData");
    FEngine->SetLanguageData(FLanguageData);
    FEngine->SetSkinData(FSkinData);
    FEngine->SetTitleIncludeVer(true);
    new TTextComponent(this, "spTrayIcon", "TspTrayIcon", "Hint", "Maskaddr",
                       [this](const std::string& hint) {
                           lstrcpynW(FTray.szTip, ToWide(hint).c_str(), ARRAYSIZE(FTray.szTip));
                           if (FTrayAdded) Shell_NotifyIconW(NIM_MODIFY, &FTray);
                           UpdateTrayTip(); // the state in the new language
                       });
    FLanguageMenu.Caption = "&Language";
    new TTextComponent(this, "Language1", "TMenuItem", "Caption", FLanguageMenu.Caption,
                       [this](const std::string& caption) {
                           FLanguageMenu.Caption = caption;
                           RefreshMenus();
                       });
    FEngine->SetLanguageMenuItem(&FLanguageMenu);
    FLanguage->FOnChangeLanguage = [this](TCLMultiLang*) {
        FitControlsToCaptions();
        PlaceChangeIPTime();
        NameOverlay();
        // The language file gives the country label its design-time text; the target
        // country is shown again over it.
        FController.ResetCountryDisp();
        NameFlag();
    };
    UseSkin(FSkinData);
    CreateMenus();
    AddTrayIcon();
    LoadComponents();
    RefreshMenus(); // the language menu is filled now
    TraceStartupStep("Components loaded (skin and language applied)");

    SetTimerEnabled(TMainTimer::Init, true);
    FController.FormCreate();
    TraceStartupStep("FormCreate done");
    if (!trayOnly) {
        ShowWindow(Handle(), SW_SHOW);
        UpdateWindow(Handle());
        TraceStartupStep("Main window shown and painted");
    }
    return true;
}

// ---- components ----

void TfrmMain::CreateActions() {
    struct Def {
        const char* name;
        const char* caption;
        int id;
    };
    const Def defs[] = {{"actMaskaddr", "&Maskaddr", ids::actMaskaddr},
                        {"actStopHide", "&Stop Hide", ids::actStopHide},
                        {"actChooseIPCountry", "Choose &IP Country", ids::actChooseIPCountry},
                        {"actCheckIPInfo", "Check IP I&nfo", ids::actCheckIPInfo},
                        {"actSettings", "Se&ttings", ids::actSettings},
                        {"actHelpCenter", "&Help Center", ids::actHelpCenter},
                        {"actHomePage", "Ho&me Page", ids::actHomePage},
                        {"actUpdate", "Update...", ids::actUpdate},
                        {"actAbout", "About...", ids::actAbout},
                        {"actAlwaysOnTop", "Always on top", ids::actAlwaysOnTop},
                        {"actOpen", "&Open...", ids::actOpen},
                        {"actExit", "&Exit", ids::actExit}};
    for (const Def& d : defs) {
        auto* a = new TAction(this, d.name, d.caption, d.id);
        a->AddChangeListener([this] { RefreshMenus(); });
        FActions[d.id] = a;
    }
    FActions[ids::actMaskaddr]->SetHint("Maskaddr");
    FActions[ids::actAlwaysOnTop]->OnExecute = [this] { FController.actAlwaysOnTopExecute(); };
    FActions[ids::actSettings]->OnExecute = [this] { FController.actSettingsExecute(); };
    FActions[ids::actStopHide]->OnExecute = [this] { FController.actStopHideExecute(); };
    FActions[ids::actMaskaddr]->OnExecute = [this] { FController.actMaskaddrExecute(); };
    FActions[ids::actOpen]->OnExecute = [this] { FController.actOpenExecute(); };
    FActions[ids::actExit]->OnExecute = [this] { FController.actExitExecute(); };
    FActions[ids::actAbout]->OnExecute = [this] { FEngine->AppAbout(); };
    FActions[ids::actHelpCenter]->OnExecute = [this] { FEngine->ShowPage("help"); };
    FActions[ids::actHomePage]->OnExecute = [this] { FEngine->ShowPage("home"); };
    FActions[ids::actUpdate]->OnExecute = [this] { FEngine->AppUpdate(true); };
    FActions[ids::actCheckIPInfo]->OnExecute = [this] { FController.actCheckIPInfoExecute(); };
    FActions[ids::actChooseIPCountry]->OnExecute = [this] {
        FChooseCommandAt = TfrmChooseIPCountry::NowMs();
        FController.actChooseIPCountryExecute();
    };
}

void TfrmMain::CreateMenus() {
    FSysMenu.Attach(CreatePopupMenu());
    FTrayMenu.Attach(CreatePopupMenu());
    RefreshMenus();
}

// Rebuilds both menus from the actions: captions, tick marks and the hide/stop binding.
void TfrmMain::RefreshMenus() {
    if (!FSysMenu || !FTrayMenu) return;
    // Items are removed, never deleted: deleting would destroy the language submenu.
    FLanguageMenu.Detach();
    auto fill = [this](HMENU menu, std::initializer_list<int> items) {
        while (GetMenuItemCount(menu) > 0)
            RemoveMenu(menu, 0, MF_BYPOSITION);
        for (int id : items) {
            if (id == 0) {
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            if (id == ids::Language1First) {
                FLanguageMenu.AppendTo(menu);
                continue;
            }
            TAction* a = FActions[id];
            UINT flags = MF_STRING | (a->Checked() ? MF_CHECKED : MF_UNCHECKED);
            AppendMenuW(menu, flags, static_cast<UINT_PTR>(id), ToWide(a->Caption()).c_str());
        }
    };
    const int hideItem = FHideAction != nullptr ? FHideAction->CommandId() : ids::actMaskaddr;
    fill(FSysMenu.Get(), {ids::actAlwaysOnTop, 0, ids::actSettings, ids::Language1First, ids::actUpdate, 0,
                          ids::actHomePage, ids::actHelpCenter, ids::actAbout});
    fill(FTrayMenu.Get(),
         {ids::actOpen, hideItem, ids::actCheckIPInfo, ids::actChooseIPCountry, 0, ids::actSettings,
          ids::actUpdate, 0, ids::actHomePage, ids::actHelpCenter, ids::actAbout, ids::actExit});
    if (Handle() != nullptr) {
        if (FHideAction != nullptr)
            SetWindowTextW(Control(ids::btnHide), ToWide(FHideAction->Caption()).c_str());
        SetWindowTextW(Control(ids::btnChooseIP),
                       ToWide(FActions[ids::actChooseIPCountry]->Caption()).c_str());
        SetWindowTextW(Control(ids::btnSettings), ToWide(FActions[ids::actSettings]->Caption()).c_str());
    }
}

void TfrmMain::AddTrayIcon() {
    FTray.cbSize = sizeof FTray;
    FTray.hWnd = Handle();
    FTray.uID = 1;
    FTray.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP; // a version 4 icon shows its tip only when asked
    FTray.uCallbackMessage = kTrayMessage;
    FTray.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (FTray.hIcon == nullptr) FTray.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    if (FTray.szTip[0] == 0) lstrcpynW(FTray.szTip, L"Maskaddr", ARRAYSIZE(FTray.szTip));
    FTrayAdded = Shell_NotifyIconW(NIM_ADD, &FTray) != FALSE;
    NOTIFYICONDATAW version = FTray;
    version.uVersion = NOTIFYICON_VERSION_4;
    FTrayVersion4 = FTrayAdded && Shell_NotifyIconW(NIM_SETVERSION, &version) != FALSE;
}

void TfrmMain::RemoveTrayIcon() {
    if (FTrayAdded) Shell_NotifyIconW(NIM_DELETE, &FTray);
    FTrayAdded = false;
}

TAction* TfrmMain::ActionById(int id) {
    auto it = FActions.find(id);
    return it == FActions.end() ? nullptr : it->second;
}

// ---- the views of MainViews.h ----

bool TfrmMain::AutorunChecked() {
    return IsDlgButtonChecked(Handle(), ids::cbAutorun) == BST_CHECKED;
}
void TfrmMain::SetAutorunChecked(bool c) {
    CheckDlgButton(Handle(), ids::cbAutorun, c ? BST_CHECKED : BST_UNCHECKED);
}
bool TfrmMain::ChangeIPChecked() {
    return IsDlgButtonChecked(Handle(), ids::cbChangeIP) == BST_CHECKED;
}
void TfrmMain::SetChangeIPChecked(bool c) {
    CheckDlgButton(Handle(), ids::cbChangeIP, c ? BST_CHECKED : BST_UNCHECKED);
}
bool TfrmMain::ClearCookieChecked() {
    return IsDlgButtonChecked(Handle(), ids::cbClearCookie) == BST_CHECKED;
}
void TfrmMain::SetClearCookieChecked(bool c) {
    CheckDlgButton(Handle(), ids::cbClearCookie, c ? BST_CHECKED : BST_UNCHECKED);
}

int TfrmMain::ChangeIPTime() {
    wchar_t text[16] = {};
    GetWindowTextW(Control(ids::edtChangeIPTime), text, 16);
    return SpinEditValue(ToUtf8(text), 1, 120);
}

void TfrmMain::SetChangeIPTime(int minutes) {
    FSettingControls = true;
    SetWindowTextW(Control(ids::edtChangeIPTime), std::to_wstring(minutes).c_str());
    FSettingControls = false;
}

void TfrmMain::SetTimerEnabled(TMainTimer timer, bool enabled) {
    if (enabled)
        StartTimer(TimerDef(timer).Id, TimerDef(timer).Interval, TimerDef(timer).Name);
    else
        KillTimer(Handle(), TimerDef(timer).Id);
}

void TfrmMain::SetAlwaysOnTop(bool topmost) {
    FActions[ids::actAlwaysOnTop]->SetChecked(topmost);
    SetWindowPos(Handle(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void TfrmMain::BindHideCommand(bool stopHide) {
    FHideAction = FActions[stopHide ? ids::actStopHide : ids::actMaskaddr];
    RefreshMenus();
    SetWindowTextW(Control(ids::btnHide), ToWide(FHideAction->Caption()).c_str());
    UpdateTrayTip();
}

void TfrmMain::MinimizeToTray() {
    RECT from{}, to{};
    GetWindowRect(Handle(), &from);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    to = {w - 1, h - 1, w, h};
    DrawAnimatedRects(Handle(), IDANI_CAPTION, &from, &to);
    ShowWindow(Handle(), SW_HIDE);
}

void TfrmMain::RestoreFromTray() {
    ShowWindow(Handle(), SW_SHOW);
    if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
}

// The close is posted: the handler that asked for it (perhaps inside a callback of the
// pool) returns first, and the window is destroyed when the message loop turns.
void TfrmMain::CloseMainWindow() {
    FClosing = true;
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

// The flag stretched into 48 x 48 design pixels.
void TfrmMain::LoadPNG(const std::string& aFileName) {
    TGdiBitmap flag = StretchPicture(LoadPictureFile(aFileName), Px(48), Px(48));
    if (!flag) return;
    SendMessageW(Control(ids::imgFL), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(flag.Get()));
    SetWindowPos(Control(ids::imgFL), nullptr, 0, 0, Px(48), Px(48), SWP_NOMOVE | SWP_NOZORDER);
    FFlagBitmap = std::move(flag); // the control shows it from now on
}

void TfrmMain::PlaceWindow() {
    FFlashForm = PlaceFlashForm(Control(ids::pnlFlash), FPlatform, Settings(), FEngine.get());
    FOverlay.SetInner(FFlashForm.get());
    if (FFlashForm && FFlashForm->FlashPlayer()) FFlashForm->FlashPlayer()->OnSpokenChange = [this] { UpdateTrayTip(); };
    NameOverlay();
}

// A screen reader names the overlay and its panel by what they are; the overlay's value is
// what it shows.
void TfrmMain::NameOverlay() {
    const std::string label = FEngine->GetAppString("Access.Overlay");
    SetAccessibleName(Control(ids::pnlFlash), label);
    if (FFlashForm && FFlashForm->FlashPlayer()) FFlashForm->FlashPlayer()->SetSpokenLabel(ToWide(label));
}

// The tray icon's tip says the state in words: hiding as which country through which address.
void TfrmMain::UpdateTrayTip() {
    TCLEngine* engine = FEngine.get();
    if (engine == nullptr) return;
    std::string tip = engine->GetAppString("Tray.NotHiding");
    if (HideCommandIsStop() && FFlashForm && FFlashForm->FlashPlayer()) {
        const TOverlayPanel& target = FFlashForm->FlashPlayer()->Scene().Panel(TSide::Target);
        if (target.Display) tip = engine->GetAppStringEx("Tray.Hiding", {target.Country, target.IP});
    }
    const std::wstring wide = ToWide(tip);
    if (tip.empty() || wide == FTray.szTip) return;
    DebugTrace::Trace("CLApp", "Tray tip: " + tip);
    lstrcpynW(FTray.szTip, wide.c_str(), ARRAYSIZE(FTray.szTip));
    if (FTrayAdded) Shell_NotifyIconW(NIM_MODIFY, &FTray);
}

void TfrmMain::ClearAllWindow() {
    FOverlay.SetInner(nullptr);
    FFlashForm.reset();
}

// The balloon of the tray icon, with the product's name as its title.
void TfrmMain::ShowNotice(const std::string& text) {
    if (!FTrayAdded) return;
    NOTIFYICONDATAW balloon = FTray;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_INFO;
    lstrcpynW(balloon.szInfoTitle, ToWide(Settings().GetSettingString("App.Name")).c_str(),
              ARRAYSIZE(balloon.szInfoTitle));
    lstrcpynW(balloon.szInfo, ToWide(ReplaceAll(text, "<BR>", "\n")).c_str(), ARRAYSIZE(balloon.szInfo));
    if (!Shell_NotifyIconW(NIM_MODIFY, &balloon)) TraceLastError("Shell_NotifyIconW", "balloon");
}

void TfrmMain::ShowPlainMessage(const std::string& text) {
    MessageBoxW(Handle(), ToWide(text).c_str(), L"Maskaddr", MB_OK | MB_ICONSTOP);
}

void TfrmMain::SetCountryText(const std::string& text) {
    SetWindowTextW(Control(ids::lblIPCountry), ToWide(text).c_str());
    NameFlag();
}

// The flag is named by the country its label shows, from the first text the label has.
void TfrmMain::NameFlag() {
    SetAccessibleName(Control(ids::imgFL),
                      FEngine->GetAppStringEx("Access.FlagOf", {ToUtf8(SpokenCaption(Control(ids::lblIPCountry)))}));
}

void TfrmMain::ShowSettingsDialog() {
    auto setRunAtLogon = [registry = FPlatform.Registry](bool on, const std::string& name,
                                                         const std::string& command) {
        SetRunAtLogon(*registry, on, name, command);
    };
    TfrmSettings dialog(Handle(), FSwitchers.Firefox(), setRunAtLogon,
                        TBrowserContext{FPlatform, Settings()}, {*FEngine, *FEngine, *FEngine},
                        FEngine->FormData());
    if (dialog.Handle() == nullptr) return;
    dialog.Controller().OnTestProxies = [this] { FController.TestIPfromLocal(); };
    FSettingsWindow = dialog.Handle();
    dialog.ShowModal();
    FSettingsWindow = nullptr;
}

void TfrmMain::ShowTestingWindow(std::vector<TProxyRec> proxies, const std::string& checkURL) {
    TfrmTesting window(FSettingsWindow != nullptr ? FSettingsWindow : Handle(), std::move(proxies), checkURL,
                       *FEngine, FPlatform, FEngine->FormData());
    if (window.Handle() != nullptr) window.ShowModal();
}

// The chooser is created for each use, owned by this window, and freed whatever the result.
bool TfrmMain::ShowChooseIPCountry(TProxyManager& pool) {
    TfrmChooseIPCountry chooser(Handle(), pool, *FEngine, FPlatform, Settings(), FEngine->FormData());
    chooser.SetOpenedAt(FChooseCommandAt);
    return chooser.Execute() == mr::OK;
}

std::string TfrmMain::ExecutablePath() {
    return FPlatform.Files->ProgramPath();
}

// ---- messages ----

void TfrmMain::ShowPopup(HMENU menu) {
    POINT p;
    GetCursorPos(&p);
    SetForegroundWindow(Handle()); // so the menu closes when the user clicks elsewhere
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, p.x, p.y, 0, Handle(), nullptr);
    PostMessageW(Handle(), WM_NULL, 0, 0);
}

void TfrmMain::OnCommand(int id, int code, HWND) {
    if (FSettingControls) return;
    switch (id) {
    case ids::btnHide:
        if (FHideAction != nullptr) FHideAction->Execute();
        return;
    case ids::btnChooseIP:
        FActions[ids::actChooseIPCountry]->Execute();
        return;
    case ids::btnSettings:
        FActions[ids::actSettings]->Execute();
        return;
    case ids::imgFL:
        if (code == STN_CLICKED) FActions[ids::actChooseIPCountry]->Execute();
        return;
    case ids::cbAutorun:
        FController.cbAutorunClick();
        return;
    case ids::cbChangeIP:
        FController.cbChangeIPClick();
        return;
    case ids::cbClearCookie:
        FController.cbClearCookieClick();
        return;
    case ids::edtChangeIPTime:
        if (code == EN_CHANGE) FController.edtChangeIPTimeChange();
        if (code == EN_KILLFOCUS) SetChangeIPTime(ChangeIPTime()); // show the clamped value
        return;
    }
    if (FLanguageMenu.OnCommand(static_cast<UINT>(id))) return;
    if (TAction* a = ActionById(id)) a->Execute();
}

void TfrmMain::OnTimer(UINT_PTR id) {
    if (id == TimerDef(TMainTimer::Init).Id) FController.tmrInitTimer();
    if (id == TimerDef(TMainTimer::ChangeIP).Id) FController.tmrChangeIPTimer();
    if (id == TimerDef(TMainTimer::Touch).Id) FController.tmrTouchTimer();
    if (id == TimerDef(TMainTimer::Watch).Id) FController.tmrWatchTimer();
}

void TfrmMain::OnTrayMessage(LPARAM lParam) {
    // Version 4 icons get the keyboard's choices as NIN_KEYSELECT (Enter, Space) and
    // WM_CONTEXTMENU (the menu key, Shift+F10, and a right click, which then also sends its
    // WM_RBUTTONUP); older icons get the mouse's messages only.
    switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
    case NIN_KEYSELECT:
        FController.actOpenExecute();
        break;
    case WM_RBUTTONUP:
        if (!FTrayVersion4) ShowPopup(FTrayMenu.Get());
        break;
    case WM_CONTEXTMENU:
        ShowPopup(FTrayMenu.Get());
        break;
    }
}

// The caption's commands: the system menu is ours; maximise is refused.
bool TfrmMain::OnSysCommand(WPARAM command) {
    switch (command & 0xFFF0) {
    case SC_MOUSEMENU:
    case SC_KEYMENU:
        ShowPopup(FSysMenu.Get());
        return true;
    case SC_MAXIMIZE:
        return FController.spDynamicSkinFormObjectCommand(TCaptionCommand::Maximize);
    case SC_MINIMIZE:
        return FController.spDynamicSkinFormObjectCommand(TCaptionCommand::Minimize);
    default:
        return false;
    }
}

LRESULT TfrmMain::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case kTrayMessage:
        OnTrayMessage(lParam);
        return 0;
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam)) return 0;
        break;
    case WM_CONTEXTMENU: {
        // A right click on the caption: the system's default handling (after the button's
        // release, as WM_CONTEXTMENU) would show the system's own menu instead of ours.
        const LRESULT hit = SendMessageW(Handle(), WM_NCHITTEST, 0, lParam);
        if (lParam != -1 && (hit == HTCAPTION || hit == HTSYSMENU)) {
            ShowPopup(FSysMenu.Get());
            return 0;
        }
        break;
    }
    case WM_CLOSE:
        if (FClosing || !FController.spDynamicSkinFormObjectCommand(TCaptionCommand::Close)) DestroyHandle();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The process may end as soon as this returns: the browsers are cleared now, even
        // from inside a modal window, whose handler then finds the controller destroyed.
        if (wParam != FALSE) DestroyHandle();
        return 0;
    case WM_PAINT: {
        // The framed settings panel.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT panel{Px(180), Px(190), Px(524), Px(310)};
        DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Control(ids::imgFL)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        FController.FormDestroy();
        for (TMainTimer t : {TMainTimer::Init, TMainTimer::ChangeIP, TMainTimer::Touch, TMainTimer::Watch})
            SetTimerEnabled(t, false);
        RemoveTrayIcon();
        PostQuitMessage(0);
        return 0;
    default:
        if (msg == FTaskbarCreated && FTaskbarCreated != 0) { // the shell restarted: show the icon again
            AddTrayIcon();
            return 0;
        }
    }
    return TWin32Form::OnMessage(msg, wParam, lParam);
}

} // namespace maskaddr
