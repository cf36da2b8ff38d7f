// The main window's option handlers, caption commands and always-on-top, against a
// recording view.
#include "app/MainController.h"
#include "fakes/FakeDirectHttp.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeUiDispatcher.h"
#include "proxy/ProxyManager.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// Every overlay command as a line of text.
class TRecordingOverlay final : public IStatusOverlay {
public:
    std::vector<std::string> Calls;
    void SetIPInfo(const std::string& p, const std::string& d, const std::string& f, const std::string& ip,
                   const std::string& c, const std::string& city, const std::string& a, const std::string& s) override {
        Calls.push_back("SetIPInfo " + p + "|" + d + "|" + f + "|" + ip + "|" + c + "|" + city + "|" + a + "|" + s);
    }
    void SetIPInfoA(const std::string& p, const std::string& a, const std::string& s) override {
        Calls.push_back("SetIPInfoA " + p + "|" + a + "|" + s);
    }
    void Fade(const std::string& o, bool in, int max) override {
        Calls.push_back("Fade " + o + "|" + (in ? "in" : "out") + "|" + std::to_string(max));
    }
    void TurnLocal() override { Calls.push_back("TurnLocal"); }
    void TurnTarget() override { Calls.push_back("TurnTarget"); }
    void SetTextInfo(const std::string& t, int c) override { Calls.push_back("Text " + t + "|" + std::to_string(c)); }
    void SetTextInfo2(const std::string& t, int c) override { Calls.push_back("Text2 " + t + "|" + std::to_string(c)); }
    void SetBackground(const std::string&) override {}
    void SetLogo(const std::string&) override {}
    void ResetDisplay() override {}
};

class TRecordingSwitchers final : public IBrowserSwitchers {
public:
    std::vector<std::string> Calls;
    void SetSystemProxy(const std::string& p) override { Calls.push_back("system " + p); }
    void SetFirefoxProxy(const std::string& p) override { Calls.push_back("firefox " + p); }
    void SetOperaProxy(const std::string& p) override { Calls.push_back("opera " + p); }
    void ClearUrlCache() override { Calls.push_back("cache"); }
    void ClearFirefoxCookies() override { Calls.push_back("cookies"); }
};

class TFakeView final : public IMainView {
public:
    bool Autorun = false, ChangeIP = false, ClearCookie = false, Topmost = false, Stop = true, InTray = false;
    int Minutes = 10;
    std::map<TMainTimer, bool> Timers;
    std::string Status;
    int SettingsShown = 0;
    bool AutorunChecked() override { return Autorun; }
    void SetAutorunChecked(bool c) override { Autorun = c; }
    bool ChangeIPChecked() override { return ChangeIP; }
    void SetChangeIPChecked(bool c) override { ChangeIP = c; }
    bool ClearCookieChecked() override { return ClearCookie; }
    void SetClearCookieChecked(bool c) override { ClearCookie = c; }
    int ChangeIPTime() override { return Minutes; }
    void SetChangeIPTime(int m) override { Minutes = m; }
    void SetTimerEnabled(TMainTimer t, bool e) override { Timers[t] = e; }
    void SetAlwaysOnTop(bool t) override { Topmost = t; }
    void BindHideCommand(bool s) override { Stop = s; }
    void MinimizeToTray() override { InTray = true; }
    void RestoreFromTray() override { InTray = false; }
    void CloseMainWindow() override { Closed = true; }
    bool HideCommandIsStop() override { return Stop; }
    TRecordingOverlay Rec;
    IStatusOverlay& Overlay() override { return Rec; }
    std::vector<std::string> Flags;
    void LoadPNG(const std::string& f) override { Flags.push_back(f); }
    std::vector<std::string> Plain;
    bool Closed = false;
    void ShowPlainMessage(const std::string& t) override { Plain.push_back(t); }
    std::string Country;
    void SetCountryText(const std::string& t) override { Country = t; }
    void ShowSettingsDialog() override { ++SettingsShown; }
    std::string ExecutablePath() override { return "C:\\Tools\\App\\app.exe"; }
};

class MainControllerTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeView View;
    TRecordingSwitchers Switchers;
    TMainController C{View, Switchers};
    const char* Run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    void User(const std::string& lines) {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.Name=Maskaddr\n");
        P.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat", "[setting]\n" + lines);
    }
};

} // namespace

TEST_F(MainControllerTest, StoredIntervalIsClampedAndWrittenBack) {
    for (auto [stored, shown] :
         std::vector<std::pair<const char*, const char*>>{{"ChangeIPTime=0\n", "1"},
                                                          {"", "1"},
                                                          {"ChangeIPTime=500\n", "120"},
                                                          {"ChangeIPTime=121\n", "120"},
                                                          {"ChangeIPTime=7\n", "7"}}) {
        FreeSettings();
        User(stored);
        C.LoadSettings();
        EXPECT_EQ(std::to_string(View.Minutes), shown) << stored;
        EXPECT_EQ(Settings().GetSettingString("ChangeIPTime"), shown) << stored;
    }
    EXPECT_EQ(SpinEditValue("abc", 1, 120), 1);
    EXPECT_EQ(SpinEditValue(" 33 ", 1, 120), 33);
}

TEST_F(MainControllerTest, OptionsWriteTheirSettingsAndRestartTheCountdown) {
    User("AutoRun=1\nChangeIP=1\nClearCookie=1\n");
    P.Clock.Value = 46000.25;
    C.LoadSettings();
    EXPECT_TRUE(View.ChangeIP && View.ClearCookie && View.Autorun);
    EXPECT_TRUE(View.Timers[TMainTimer::ChangeIP]) << "armed even while not hiding";
    EXPECT_EQ(C.FLastChangeIPTime, 46000.25);
    EXPECT_EQ(P.Registry.ReadString(TRegRoot::CurrentUser, Run, "Maskaddr"), "C:\\Tools\\App\\app.exe");

    P.Clock.Value = 46000.5;
    View.Minutes = 5;
    C.edtChangeIPTimeChange();
    EXPECT_EQ(C.FLastChangeIPTime, 46000.5) << "a new interval restarts the countdown";
    View.ChangeIP = false;
    C.cbChangeIPClick();
    EXPECT_FALSE(View.Timers[TMainTimer::ChangeIP]);
    EXPECT_EQ(Settings().GetSettingString("ChangeIP"), "0");

    View.Autorun = false;
    C.cbAutorunClick();
    EXPECT_EQ(P.Registry.ReadString(TRegRoot::CurrentUser, Run, "Maskaddr"), std::nullopt);
    C.cbAutorunClick(); // deleting a missing value is no error
    EXPECT_EQ(Settings().GetSettingString("AutoRun"), "0");
}

TEST_F(MainControllerTest, SettingsCommandRewritesTheAutorunValueEvenWhenCancelled) {
    User("AutoRun=1\n");
    C.LoadSettings();
    P.Registry.Values.clear(); // removed by other software
    C.actSettingsExecute();
    EXPECT_EQ(View.SettingsShown, 1);
    EXPECT_EQ(P.Registry.ReadString(TRegRoot::CurrentUser, Run, "Maskaddr"), "C:\\Tools\\App\\app.exe");
}

TEST_F(MainControllerTest, AlwaysOnTopToggles) {
    User("");
    C.SetAOT();
    EXPECT_FALSE(View.Topmost);
    C.actAlwaysOnTopExecute();
    EXPECT_TRUE(View.Topmost && C.AlwaysOnTopChecked());
    EXPECT_EQ(Settings().GetSettingString("AlwaysOnTop"), "1");
    C.actAlwaysOnTopExecute();
    EXPECT_FALSE(View.Topmost);
}

TEST_F(MainControllerTest, CloseButtonGoesToTheTrayUnlessTheSessionEnds) {
    User("");
    TFakeEngineHost host;
    {
        TCLEngine engine(nullptr, host);
        EXPECT_TRUE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Close));
        EXPECT_TRUE(View.InTray);
        ASSERT_NE(host.Dialog, nullptr);
        EXPECT_EQ(host.Dialog->Shown.size(), 1u) << "the close notice";
        EXPECT_EQ(host.Dialog->Offered.back(), true) << "with its do-not-show-again box";
        intptr_t answer = 0;
        engine.EngineWndProc({kWM_QUERYENDSESSION}, answer);
        EXPECT_FALSE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Close))
            << "shutdown: the window closes";
        EXPECT_EQ(host.Dialog->Shown.size(), 1u);
    }
    EXPECT_TRUE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Maximize));
    EXPECT_TRUE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::RollUp));
    EXPECT_FALSE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Minimize));
}

TEST_F(MainControllerTest, CreationLooksUpTheLocalInfoAndTheInitTimerWaitsForTheLists) {
    User("URL.GetInfo=http://127.0.0.1:9/info\nApp.MagicWord=w\nTARGET_COUNTRY=DE\n");
    TFakeDirectHttp http;
    TFakeUiDispatcher ui;
    http.SetReply("http://127.0.0.1:9/info?MagicWord=w", "IP=127.0.0.1\r\nCOUNTRY_SHORT=US\r\n");
    TPlatform withHttp = Platform();
    withHttp.Http = &http;
    withHttp.Ui = &ui;
    SetPlatform(withHttp);
    TFakeEngineHost host;
    TCLEngine engine(nullptr, host);

    C.FormCreate();
    EXPECT_FALSE(C.FLocalInfoGot);
    EXPECT_FALSE(View.Stop) << "the hide command is bound";
    ASSERT_EQ(ui.Pump(1), 1u);
    EXPECT_TRUE(C.FLocalInfoGot);

    View.Timers[TMainTimer::Init] = true;
    for (int tick = 0; tick < 3; ++tick)
        C.tmrInitTimer();
    EXPECT_TRUE(View.Timers[TMainTimer::Init]) << "no normal list yet: keeps waiting";
    Settings().SetSettingstring("NORMAL_IPS", "1.2.3.4:80|Germany|DE|13.4|52.5");
    C.tmrInitTimer();
    EXPECT_FALSE(View.Timers[TMainTimer::Init]);
    EXPECT_EQ(View.Country, "Germany");

    C.FormDestroy();
    EXPECT_EQ(Settings().GetSettingString("TARGET_COUNTRY"), "DE");
    EXPECT_EQ(C.FProxyManager, nullptr);
}
