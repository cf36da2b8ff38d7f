// maskaddr.exe as a whole: started as real processes and driven through its
// window messages, control identifiers and command identifiers.
#include "ProgramTest.h"
#include "Screenshot.h"
#include "app/MainIds.h"
#include "ui/win32/SettingsForm.h"

#include <shellapi.h>
#include <wininet.h>

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The user's own settings, as their control panel writes them: the options, and the bypass
// list in the stored values too (Wine keeps no bypass option of its own).
void SetOwnProxy(DWORD flags, const std::string& server, const std::optional<std::string>& bypass) {
    ASSERT_TRUE(TInternetSettingsWin().ApplyConnectionOptions({flags, server, bypass.value_or(""), "", 0}));
    TRegistryWin reg;
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    if (bypass)
        reg.WriteString(TRegRoot::CurrentUser, key, "ProxyOverride", *bypass);
    else
        reg.DeleteValue(TRegRoot::CurrentUser, key, "ProxyOverride");
}

using MainWindowTest = TProgramTest;

} // namespace

TEST_F(MainWindowTest, StartsWithEveryControlAndEndsThroughExit) {
    WriteUserFile("RunTimes=4\r\n");
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w));
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 534);
    EXPECT_EQ(client.bottom, 317);
    EXPECT_EQ(ControlText(w, ids::btnHide), "&Maskaddr");
    EXPECT_EQ(ControlText(w, ids::btnChooseIP), "Choose &IP Country");
    EXPECT_EQ(ControlText(w, ids::btnSettings), "Se&ttings");
    EXPECT_EQ(ControlText(w, ids::lblFake), "Fake location:");
    EXPECT_EQ(ControlText(w, ids::lblIPCountry), "Auto selected");
    EXPECT_EQ(ControlText(w, ids::cbAutorun), "Launch On Startup");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, ids::cbClearCookie)));
    wchar_t title[64] = {};
    GetWindowTextW(w, title, 64);
    EXPECT_EQ(std::wstring(title), L"Maskaddr  1.0.0.0");
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "RunTimes"), "5");
    SaveScreenshot(w, "main-window-start");

    EXPECT_EQ(app.Exit(w), 0);
}

TEST_F(MainWindowTest, CloseButtonGoesToTheTrayAfterItsNotice) {
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND notice = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (notice = FindWindowW(L"#32770", L"Maskaddr")) != nullptr; }, 10000))
        << "the close notice";
    SendMessageW(notice, WM_USER + 113 /* TDM_CLICK_VERIFICATION */, TRUE, FALSE);
    SendMessageW(notice, WM_USER + 102 /* TDM_CLICK_BUTTON */, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(w); }, 10000)) << "minimised to the tray";
    EXPECT_EQ(app.Ended(0), -1) << "still running";
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "ShowAgain", "1"), "0");
    PostMessageW(w, WM_COMMAND, ids::actOpen, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(w) != FALSE; }, 10000)) << "restored from the tray";

    // The notice is silenced now: the window goes to the tray at once, which it does only
    // after a notice has been answered.
    PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(w); }, 10000)) << "to the tray without a notice";
    EXPECT_EQ(FindWindowW(L"#32770", L"Maskaddr"), nullptr);
    EXPECT_EQ(app.Ended(0), -1);
    EXPECT_EQ(app.Exit(w), 0);
}

TEST_F(MainWindowTest, SecondStartActivatesTheFirstAndHandsOverItsArgument) {
    TBuiltApp first("-d");
    ASSERT_NE(first.Ready(), nullptr);
    {
        TBuiltApp second("report.txt");
        EXPECT_EQ(second.Ended(20000), 0) << "the second instance ends";
    }
    {
        TBuiltApp third("-x");
        EXPECT_EQ(third.Ended(20000), 0);
    }
    EXPECT_EQ(CountMainWindows(), 1);
    // The hand-over is a sent message: answered before the second instance ended.
    const std::string log = Fs.ReadFile(Trace).value_or("");
    EXPECT_NE(log.find("Enter Debug Mode..."), std::string::npos);
    EXPECT_NE(log.find("Command file : report.txt"), std::string::npos) << log;
    EXPECT_EQ(log.find("Command file : -x"), std::string::npos) << "switches are never handed over";

    TBuiltApp stop("/S");
    EXPECT_EQ(stop.Ended(20000), 0);
    EXPECT_EQ(first.Ended(15000), 0) << "/S closes the running instance";
}

TEST_F(MainWindowTest, RestartSwitchReplacesTheRunningInstance) {
    TBuiltApp first("");
    ASSERT_NE(first.Window(), nullptr);
    TBuiltApp second("-r");
    EXPECT_EQ(first.Ended(15000), 0);
    HWND w = second.Window(20000);
    ASSERT_NE(w, nullptr) << "the new instance starts after its pause";
    EXPECT_EQ(CountMainWindows(), 1);
    EXPECT_EQ(second.Exit(w), 0);
}

TEST_F(MainWindowTest, TrayOnlyStartAndMultipleInstances) {
    WriteUserFile("App.Multiple=1\r\n");
    TBuiltApp hidden("-h");
    HWND w = hidden.Ready();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(IsWindowVisible(w)) << "only the tray icon, once start-up is done";
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = w;
    probe.uID = 1;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the tray icon exists";
    TBuiltApp another("");
    ASSERT_NE(another.Window(), nullptr) << "App.Multiple lets a second instance run";
    EXPECT_EQ(CountMainWindows(), 2);
}

TEST_F(MainWindowTest, StoredIntervalsAreClampedAndWrittenBack) {
    for (auto [stored, shown] : std::vector<std::pair<std::string, std::string>>{
             {"ChangeIPTime=0\r\n", "1"}, {"", "1"}, {"ChangeIPTime=500\r\n", "120"}}) {
        WriteUserFile(stored);
        TBuiltApp app("");
        HWND w = app.Ready();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(ControlText(w, ids::edtChangeIPTime), shown) << stored;
        EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "ChangeIPTime"), shown) << stored;
    }
}

TEST_F(MainWindowTest, AutorunAndAlwaysOnTopFollowTheirControls) {
    TRegistryWin reg;
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(reg.ReadString(TRegRoot::CurrentUser, run, "Maskaddr"), std::nullopt);
    SendMessageW(GetDlgItem(w, ids::cbAutorun), BM_CLICK, 0, 0);
    EXPECT_EQ(reg.ReadString(TRegRoot::CurrentUser, run, "Maskaddr"), "\"" + TBuiltApp::Exe() + "\"");
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "AutoRun"), "1");
    SendMessageW(GetDlgItem(w, ids::cbAutorun), BM_CLICK, 0, 0);
    EXPECT_EQ(reg.ReadString(TRegRoot::CurrentUser, run, "Maskaddr"), std::nullopt);

    EXPECT_EQ(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SendMessageW(w, WM_COMMAND, ids::actAlwaysOnTop, 0);
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "AlwaysOnTop"), "1");
    SendMessageW(w, WM_COMMAND, ids::actAlwaysOnTop, 0);
    EXPECT_EQ(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(MainWindowTest, HideAndStopSwitchTheSystemProxyAndTheFlagIsFetched) {
    std::string png = Fs.ReadFile(TestProgramFolder() + "res\\images\\about.png").value_or("");
    ASSERT_FALSE(png.empty());
    Service.SetReply("/flags/QQ.PNG", {200, png});
    WriteHidingUserFile("SWITCH.IE=1\r\nTARGET_COUNTRY=QQ\r\nApp.MagicWord=m\r\n");
    Service.SetReply("/getinfo",
                     {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=QQ\r\nCOUNTRY_LONG=Testland\r\nCITY=Loopback\r\n"});
    TBuiltApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(StartUp(app, w), "");

    // The flag of the target country is not shipped: downloaded and drawn.
    EXPECT_TRUE(
        PumpUntil([&] { return SendMessageW(GetDlgItem(w, ids::imgFL), STM_GETIMAGE, IMAGE_BITMAP, 0) != 0; }, 10000))
        << "drawn into imgFL";
    const std::string flag =
        ShellFolderPath(true, "Common AppData") + "\\" + FolderWord(TBuiltApp::Exe()) + "\\QQ.PNG";
    EXPECT_EQ(Fs.ReadFile(flag), png);
    EXPECT_EQ(ControlText(w, ids::lblIPCountry), "Testland");

    // Hide: the system settings point at the proxy.
    const TProxyState before = QuerySystemProxy();
    ASSERT_EQ(app.Hide(w), "");
    TProxyState hidden = QuerySystemProxy();
    EXPECT_EQ(hidden.Flags & PROXY_TYPE_PROXY, static_cast<DWORD>(PROXY_TYPE_PROXY));
    const std::string proxy = ProxyA.Address();
    EXPECT_EQ(hidden.Server, proxy);
    EXPECT_EQ(hidden.RegistryServer, "http=" + proxy + ";ftp=" + proxy + ";https=" + proxy + ";");
    EXPECT_EQ(hidden.RegistryEnable, 1u);
    EXPECT_EQ(ControlText(w, ids::btnHide), "&Stop Hide");
    Sleep(1000); // the overlay's turn has played
    SaveScreenshot(w, "main-window-hiding");

    Sleep(1100);
    SendMessageW(w, WM_COMMAND, ids::actStopHide, 0);
    EXPECT_EQ(QuerySystemProxy(), before) << "back as before the hide";
    EXPECT_EQ(ControlText(w, ids::btnHide), "&Maskaddr");
    Sleep(1000);
    SaveScreenshot(w, "main-window-ready");

    // Ending the program right after a hide still puts the settings back.
    ASSERT_EQ(app.Hide(w), "");
    EXPECT_EQ(QuerySystemProxy().RegistryEnable, 1u);
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_EQ(QuerySystemProxy(), before);
}

TEST_F(MainWindowTest, WithTheSystemSwitchOffAHideClears) {
    WriteHidingUserFile("SWITCH.IE=0\r\nTARGET_COUNTRY=UN\r\n");
    TBuiltApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(StartAndHide(app, w), "");
    TProxyState state = QuerySystemProxy();
    EXPECT_EQ(state.Flags, static_cast<DWORD>(PROXY_TYPE_DIRECT));
    EXPECT_EQ(state.RegistryServer, "http=;ftp=;https=;");
    EXPECT_EQ(state.RegistryEnable, 0u);
}

// A lookup that places the user in the gated country: the message, then a clean end.
TEST_F(MainWindowTest, TheGatedCountryEndsTheProgramCleanlyAfterItsMessage) {
    Service.SetReply("/getinfo", {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=CN\r\n"});
    WriteUserFile("Update.Times=1\r\n");
    TBuiltApp app("");
    ASSERT_NE(app.Window(), nullptr);
    HWND message = app.WaitForDialog("This product is unavailable in this country.");
    ASSERT_NE(message, nullptr);
    PressDialogButton(message, IDOK);
    EXPECT_EQ(app.Ended(15000), 0) << "ended by itself, without a crash";
}

// Every way the program is ended, while a message box of it is open and it is hiding: it
// ends cleanly and the system's settings are direct again, as they were.
TEST_F(MainWindowTest, EndingWhileAMessageIsOpenLeavesADirectConnection) {
    SetOwnProxy(PROXY_TYPE_DIRECT, "", std::nullopt);
    const UINT closeApp = RegisterWindowMessageW(L"CL CloseApp");
    const std::vector<std::pair<const char*, std::function<void(HWND)>>> ways{
        {"Exit from the tray", [](HWND w) { PostMessageW(w, WM_COMMAND, ids::actExit, 0); }},
        {"CL CloseApp",
         [closeApp](HWND w) { SendMessageTimeoutW(w, closeApp, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr); }},
        {"/S from a second start", [](HWND) { EXPECT_EQ(TBuiltApp("/S").Ended(20000), 0); }},
        {"the session ends",
         [](HWND w) {
             SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
             SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
         }},
    };
    for (const auto& [way, end] : ways) {
        SCOPED_TRACE(way);
        Fs.RemoveFile(Trace);
        WriteHidingUserFile("SWITCH.IE=1\r\nTARGET_COUNTRY=QQ\r\n");
        TBuiltApp app("-d");
        HWND w = nullptr;
        ASSERT_EQ(StartAndHide(app, w), "");
        PostMessageW(w, WM_COMMAND, ids::actStopHide, 0); // within the second: the too-fast notice
        ASSERT_NE(app.WaitForDialog("Please wait a moment before changing again."), nullptr);
        ASSERT_EQ(QuerySystemProxy().RegistryEnable, 1u);
        end(w);
        EXPECT_EQ(app.Ended(15000), 0);
        TProxyState state = QuerySystemProxy();
        EXPECT_EQ(state.Flags, static_cast<DWORD>(PROXY_TYPE_DIRECT));
        EXPECT_EQ(state.RegistryEnable, 0u);
    }
}

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

TEST_F(MainWindowTest, SettingsDialogCancelKeepsEverySettingAndOkSavesEach) {
    WriteUserFile("AutoRun=1\r\nSWITCH.IE=1\r\nSWITCH.FF=0\r\nSWITCH.OPERA=1\r\nUpdate.AutoCheck=0\r\n"
                  "TestIPfromLocal=0\r\n");
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    TRegistryWin reg;
    using namespace settingsIds;
    const int changeable[] = {cbAutoRun, cbAutoUpdate, cbTestIPfromLocal, cbFF, cbOpera};
    const std::pair<const char*, const char*> before[] = {
        {"AutoRun", "1"},      {"SWITCH.IE", "1"},        {"SWITCH.FF", "0"},
        {"SWITCH.OPERA", "1"}, {"Update.AutoCheck", "0"}, {"TestIPfromLocal", "0"}};
    {
        reg.DeleteValue(TRegRoot::CurrentUser, kRunKey, "Maskaddr"); // the main window writes it back
        TSettingsDriver settings(app, w);
        ASSERT_NE(settings.Dialog, nullptr);
        RECT client{};
        GetClientRect(settings.Dialog, &client);
        EXPECT_EQ(client.right, 434);
        EXPECT_EQ(client.bottom, 265);
        EXPECT_TRUE(settings.Checked(cbAutoRun) && settings.Checked(cbIE) && settings.Checked(cbOpera));
        EXPECT_FALSE(settings.Checked(cbFF) || settings.Checked(cbAutoUpdate) ||
                     settings.Checked(cbTestIPfromLocal));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings.Dialog, cbIE))) << "shown, not changeable";
        EXPECT_EQ(ControlText(settings.Dialog, cbTestIPfromLocal), "Test the proxies when Maskaddr starts");
        Sleep(500); // painted before the picture is taken
        SaveScreenshot(settings.Dialog, "settings-general");
        settings.NextPage();
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(settings.Dialog, cbOpera)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings.Dialog, cbAutoRun)));
        Sleep(500);
        SaveScreenshot(settings.Dialog, "settings-browser");
        for (int id : changeable)
            settings.Click(id);
        ASSERT_TRUE(settings.Close(btnCancel));
    }
    // The program applies the dialog's outcome once its modal loop has returned, after the
    // dialog is gone: wait for that (the Run value is its last step) before reading.
    auto runValue = [&] { return reg.ReadString(TRegRoot::CurrentUser, kRunKey, "Maskaddr"); };
    EXPECT_TRUE(PumpUntil([&] { return runValue() == "\"" + TBuiltApp::Exe() + "\""; }, 10000))
        << "rewritten from the unchanged AutoRun after Cancel";
    for (auto [name, value] : before)
        EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", name), value) << name << " after Cancel";

    {
        TSettingsDriver settings(app, w);
        ASSERT_NE(settings.Dialog, nullptr);
        EXPECT_TRUE(settings.Checked(cbAutoRun)) << "Cancel kept nothing of the changes";
        for (int id : changeable)
            settings.Click(id);
        ASSERT_TRUE(settings.Close(btnOK));
    }
    const std::pair<const char*, const char*> after[] = {{"AutoRun", "0"},          {"SWITCH.IE", "1"},
                                                         {"SWITCH.FF", "1"},        {"SWITCH.OPERA", "0"},
                                                         {"Update.AutoCheck", "1"}, {"TestIPfromLocal", "1"}};
    EXPECT_TRUE(PumpUntil([&] { return runValue() == std::nullopt; }, 10000)) << "autorun off";
    for (auto [name, value] : after)
        EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", name), value) << name << " after OK";
    EXPECT_EQ(SendMessageW(GetDlgItem(w, ids::cbAutorun), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(app.Exit(w), 0);
}

TEST_F(MainWindowTest, ClearShowAgainFlagBringsBackTheCloseNotice) {
    WriteUserFile("[ShowAgain]\r\n1=0\r\n");
    TBuiltApp app("");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    {
        TSettingsDriver settings(app, w);
        ASSERT_NE(settings.Dialog, nullptr);
        settings.Click(settingsIds::btnClearShowAgainFlag);
        ASSERT_TRUE(settings.Close(settingsIds::btnCancel)) << "the flags are cleared at once";
    }
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "ShowAgain", "1"), "<missing>");
    PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND notice = app.WaitForDialog("notification area");
    ASSERT_NE(notice, nullptr) << "the close notice is shown again";
    PressDialogButton(notice, IDOK);
    EXPECT_EQ(app.Exit(w), 0);
}

// A user's own proxy with its bypass list, set before the program starts: start-up leaves
// it, and whatever ends the hiding brings it back, a SIGKILL of the Unix process included
// (the next start puts it back).
TEST_F(MainWindowTest, TheUserOwnProxyStaysAndComesBackAfterStopExitAndAKill) {
    const TClosedPort users("127.0.0.9"); // the user's own proxy answers nothing either
    SetOwnProxy(PROXY_TYPE_PROXY, users.Address(), "<local>;*.example");
    const TProxyState own = QuerySystemProxy();
    ASSERT_EQ(own.Server, users.Address());
    const std::vector<std::pair<const char*, std::function<void(TBuiltApp&, HWND)>>> ways{
        {"stop",
         [](TBuiltApp&, HWND w) {
             Sleep(1100);
             SendMessageW(w, WM_COMMAND, ids::actStopHide, 0);
         }},
        {"exit",
         [](TBuiltApp& app, HWND w) {
             EXPECT_EQ(app.Exit(w), 0);
         }},
        {"SIGKILL while hiding, then a start",
         [](TBuiltApp& app, HWND) {
             ASSERT_TRUE(app.KillUnixProcess());
             EXPECT_EQ(QuerySystemProxy().RegistryEnable, 1u) << "the kill left our proxy set";
             TBuiltApp again("-d");
             EXPECT_NE(again.Ready(), nullptr);
         }},
    };
    for (const auto& [way, end] : ways) {
        SCOPED_TRACE(way);
        Fs.RemoveFile(Trace);
        WriteHidingUserFile("SWITCH.IE=1\r\nTARGET_COUNTRY=QQ\r\n");
        TBuiltApp app("-d");
        HWND w = nullptr;
        ASSERT_EQ(StartUp(app, w), "");
        EXPECT_EQ(QuerySystemProxy(), own) << "after start-up";
        ASSERT_EQ(app.Hide(w), "");
        ASSERT_EQ(QuerySystemProxy().Server, ProxyA.Address());
        end(app, w);
        EXPECT_EQ(QuerySystemProxy(), own);
    }
    SetOwnProxy(PROXY_TYPE_DIRECT, "", std::nullopt);
}
