// The engine with real windows: messages between two processes, the task dialog
// with its "do not show again" box, the about window, and live re-translation.
#include "ProgramDriver.h"
#include "Screenshot.h"
#include "WinTestUtil.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/Skin.h"
#include "framework/language/CLMultiLang.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/Process.h"
#include "ui/win32/EngineHostWin.h"
#include "ui/win32/Win32Form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, DWORD ms) {
    return WaitForVisibleWindow(cls, ms, 50, title);
}

// Counts the dialogs (class #32770) this thread would make while it lives, and makes none.
class TDialogBlocker {
public:
    TDialogBlocker() { FHook = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId()); }
    ~TDialogBlocker() { UnhookWindowsHookEx(FHook); }
    static inline int Refused = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            const bool dialog = IS_INTRESOURCE(create->lpszClass)
                                    ? LOWORD(reinterpret_cast<ULONG_PTR>(create->lpszClass)) == 32770
                                    : std::wstring(create->lpszClass) == L"#32770";
            if (dialog) {
                ++Refused;
                return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK FHook;
};

LRESULT SendTo(HWND w, const char* message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    UINT msg = RegisterWindowMessageW(ToWide(message).c_str());
    if (!SendMessageTimeoutW(w, msg, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer)) return -1;
    return static_cast<LRESULT>(answer);
}

// A hidden main window carrying the engine and the language data, for in-process tests.
struct EngineWindow {
    const TPlatform Facilities = Win32Platform();
    TEngineHostWin Host;
    TWin32Form Form{nullptr, "frmEngineTest", "TfrmEngineTest"};
    TCLMultiLangData* Data = nullptr;
    TCLEngine* E = nullptr;
    EngineWindow() {
        SetPlatform(Facilities); // the settings store is made from it
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&icc);
        Form.CreateHandle("Engine test", WS_OVERLAPPEDWINDOW, 0, 400, 200);
        Host.SetOwner(Form.Handle());
        Data = new TCLMultiLangData(&Form, "CLMultiLangData");
        E = new TCLEngine(&Form, Host, Facilities, Settings());
        E->SetLanguageData(Data);
        Form.LoadComponents(); // loads lang\English.lan from beside the test program
    }
    ~EngineWindow() {
        delete E;
        FreeSettings();
    }
};

} // namespace

TEST(EngineWinTest, AnotherProcessTalksToTheEngineThroughItsMessages) {
    TScratchFolder dir;
    const std::string log = dir / "host.log";
    const std::string exe = TestProgramFolder() + "engine_host.exe";
    const TProcessHandles host = StartProcess("\"" + exe + "\" --busy 4000 --log \"" + log + "\"");
    ASSERT_TRUE(host) << LastErrorText();

    HWND w = WaitForWindow(L"TfrmEngineHost", nullptr, 20000);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(SendTo(w, "CL IfBusy"), 1) << "still in its start-up phase";
    EXPECT_EQ(SendTo(w, "CL GetAppID"), 4242);
    EXPECT_TRUE(PumpUntil([w] { return SendTo(w, "CL IfBusy") == 0; }, 15000))
        << "after its start-up message was handled";

    const wchar_t text[] = L"abcde";
    COPYDATASTRUCT record{0, 10, const_cast<wchar_t*>(text)};
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG,
                                    10000, &answer));
    EXPECT_EQ(answer, 0u);
    EXPECT_TRUE(WaitForText(log, "OnCmdFile:abcde\n", 5000));

    SendTo(w, "CL CloseApp");
    ASSERT_EQ(WaitForSingleObject(host.Process.Get(), 15000), WAIT_OBJECT_0) << "the instance did not end";
    DWORD code = 99;
    GetExitCodeProcess(host.Process.Get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(TFileSystemWin().ReadFile(log).value_or("").find("Quit"), std::string::npos);
}

TEST(EngineWinTest, TickedBoxSilencesANumberedMessage) {
    EngineWindow ew;
    std::atomic<bool> dialogSeen{false};
    std::string shot;
    std::thread clicker([&] {
        HWND dlg = WaitForWindow(L"#32770", L"Maskaddr", 20000);
        if (dlg == nullptr) return;
        dialogSeen = true;
        Sleep(300); // let it paint for the screenshot
        shot = SaveScreenshot(dlg, "message-box-show-again");
        SendMessageW(dlg, TDM_CLICK_VERIFICATION, TRUE, FALSE);
        SendMessageW(dlg, TDM_CLICK_BUTTON, IDOK, 0);
    });
    int first = ew.E->ShowMessageEx("MSGBox_ACTIONFAST", {}, 6, mtInformation, mb::OK, 0, false);
    clicker.join();
    ASSERT_TRUE(dialogSeen);
    EXPECT_EQ(first, mr::OK);
    EXPECT_FALSE(Settings().GetMessageShowAgainFlag(6));
    EXPECT_EQ(Settings().GetMessageShowAgainResult(6), mr::OK);

    TDialogBlocker blocker;
    EXPECT_EQ(ew.E->ShowMessageEx("MSGBox_ACTIONFAST", {}, 6, mtInformation, mb::OK, 0, false), mr::OK);
    EXPECT_EQ(TDialogBlocker::Refused, 0) << "a silenced message shows nothing";
}

TEST(EngineWinTest, AboutWindowShowsTheProductLinesAndClosesWithEsc) {
    EngineWindow ew;
    std::string info, shot;
    std::thread closer([&] {
        HWND about = WaitForWindow(L"TfrmCLAboutForm", nullptr, 20000);
        if (about == nullptr) return;
        Sleep(300);
        shot = SaveScreenshot(about, "about-box");
        HWND staticText = FindWindowExW(about, nullptr, L"STATIC", nullptr);
        wchar_t buffer[512] = {};
        GetWindowTextW(staticText, buffer, 512);
        info = ToUtf8(buffer);
        PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
    });
    ew.E->AppAbout();
    closer.join();
    EXPECT_NE(info.find("Maskaddr - browse without showing your real IP address\r\nVersion 1.0.0"),
              std::string::npos)
        << info;
    EXPECT_NE(ew.E->AboutContent().LogoPath.find("res\\images\\about.png"), std::string::npos);
}

TEST(EngineWinTest, LanguageChangeRetranslatesAnOpenWindow) {
    EngineWindow ew;
    TScratchFolder dir;
    TFileSystemWin fs;
    ASSERT_EQ(
        fs.WriteFileAtomic(dir / "A.lan",
                           "[TfrmLangTest]\r\nlblHello.Caption=Hello<SP>\r\nfrmLangTest.Caption=One\r\n"),
        "");
    ASSERT_EQ(
        fs.WriteFileAtomic(dir / "B.lan",
                           "\xEF\xBB\xBF[TfrmLangTest]\r\nlblHello.Caption=Gr\xC3\xBC\xC3\x9F dich\r\n"),
        "");
    TWin32Form window(nullptr, "frmLangTest", "TfrmLangTest");
    ASSERT_TRUE(window.CreateHandle("Design caption", WS_OVERLAPPEDWINDOW, 0, 300, 100));
    auto* label = new TLabelControl(&window, "lblHello", "Design text", 10, 10, 200, 20);
    auto* lang = new TCLMultiLang(&window, "CLMultiLang");
    lang->SetLanguageData(ew.Data);
    window.LoadComponents();
    ShowWindow(window.Handle(), SW_SHOW);
    EXPECT_EQ(label->GetText(), "Design text") << "English.lan has no section for this window";

    ASSERT_TRUE(ew.Data->LoadCurrentFromFile(*ew.Facilities.Files, *ew.Facilities.Ansi, dir / "A.lan"));
    wchar_t buffer[128] = {};
    GetWindowTextW(label->Handle(), buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"Hello ");
    GetWindowTextW(window.Handle(), buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"One");
    ASSERT_TRUE(ew.Data->LoadCurrentFromFile(*ew.Facilities.Files, *ew.Facilities.Ansi, dir / "B.lan"));
    GetWindowTextW(label->Handle(), buffer, 128);
    EXPECT_EQ(std::wstring(buffer), L"Gr\u00fc\u00df dich");
    SaveScreenshot(window.Handle(), "retranslated-window");
}

TEST(EngineWinTest, SkinChoiceRepaintsWindowsThatUseTheSkin) {
    EngineWindow ew;
    TSkinData skin(nullptr, "spSkinData");
    ew.E->SetSkinData(&skin);
    TWin32Form window(nullptr, "frmSkinTest", "TfrmSkinTest");
    ASSERT_TRUE(window.CreateHandle("Skinned", WS_OVERLAPPEDWINDOW, 0, 200, 100));
    window.UseSkin(&skin);
    ShowWindow(window.Handle(), SW_SHOW);
    auto painted = [&](COLORREF colour) {
        return PumpUntil([&] { return GetPixel(TWindowDC(window.Handle()).Get(), 100, 50) == colour; }, 5000);
    };
    EXPECT_TRUE(painted(RGB(0xF3, 0xF5, 0xF8))) << "the built-in skin";
    ew.E->SetSkin("Graphite"); // skins\Graphite.skn beside the test program
    EXPECT_EQ(ew.E->Skin(), "Graphite");
    EXPECT_TRUE(painted(RGB(0x2B, 0x2F, 0x36))) << "repainted with the new skin";
    ew.E->SetSkin("NoSuchSkin");
    EXPECT_TRUE(painted(RGB(0xF3, 0xF5, 0xF8))) << "back to the built-in skin";
}
