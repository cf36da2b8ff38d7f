// The main window's option handlers, caption commands and always-on-top, against a
// recording view.
#include "app/MainController.h"
#include "app/AppSettings.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakeMainView.h"
#include "fakes/FakePlatform.h"
#include "fakes/RecordingSwitchers.h"
#include "framework/engine/CLEngine.h"
#include "framework/language/CLMultiLang.h"
#include "proxy/ProxyManager.h"
#include "proxy/ProxyRandom.h"
#include "unit/DevSigning.h"

#include <functional>
#include <utility>

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

class MainControllerTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeMainView View;
    TRecordingSwitchers Switchers;
    TMainController C{View.Views(), Switchers, P.Facilities, Settings()};
    void SetUp() override { View.Controller = &C; }
    const char* Run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    void User(const std::string& lines) {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.Name=Maskaddr\n");
        P.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat", "[setting]\n" + lines);
        Settings().Reopen(); // as the next start reads them
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
    EXPECT_EQ(P.Registry.ReadString(TRegRoot::CurrentUser, Run, "Maskaddr"), "\"C:\\Tools\\App\\app.exe\"");

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
    EXPECT_EQ(P.Registry.ReadString(TRegRoot::CurrentUser, Run, "Maskaddr"), "\"C:\\Tools\\App\\app.exe\"");
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
        TCLEngine engine(nullptr, host, P.Facilities, Settings());
        C.SetEngine(&engine);
        EXPECT_TRUE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Close));
        EXPECT_TRUE(View.InTray);
        ASSERT_NE(host.Dialog, nullptr);
        EXPECT_EQ(host.Dialog->Shown.size(), 1u) << "the close notice";
        EXPECT_EQ(host.Dialog->Offered.back(), true) << "with its do-not-show-again box";
        intptr_t answer = 0;
        engine.EngineWndProc({TEngineEvent::QueryEndSession}, answer);
        EXPECT_FALSE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Close))
            << "shutdown: the window closes";
        EXPECT_EQ(host.Dialog->Shown.size(), 1u);
        C.SetEngine(nullptr);
    }
    EXPECT_TRUE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Maximize));
    EXPECT_TRUE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::RollUp));
    EXPECT_FALSE(C.spDynamicSkinFormObjectCommand(TCaptionCommand::Minimize));
}

TEST_F(MainControllerTest, CreationLooksUpTheLocalInfoAndTheInitTimerWaitsForTheLists) {
    User("URL.GetInfo=http://127.0.0.1:9/info\nApp.MagicWord=w\nTARGET_COUNTRY=DE\n");
    P.Http.SetReply("http://127.0.0.1:9/info?MagicWord=w", "IP=127.0.0.1\r\nCOUNTRY_SHORT=US\r\n");
    TFakeEngineHost host;
    TCLEngine engine(nullptr, host, P.Facilities, Settings());
    C.SetEngine(&engine);

    C.FormCreate();
    EXPECT_FALSE(C.FLocalInfoGot);
    EXPECT_FALSE(View.Stop) << "the hide command is bound";
    EXPECT_EQ(Switchers.Calls, (std::vector<std::string>{"firefox ", "opera "}))
        << "the system's settings wait for the message loop";
    ASSERT_EQ(P.Ui.Pump(2), 2u);
    EXPECT_TRUE(C.FLocalInfoGot);
    EXPECT_EQ(Switchers.Calls, (std::vector<std::string>{"firefox ", "opera ", "system restore"}))
        << "the user's own system settings are the switcher's to keep";

    View.Timers[TMainTimer::Init] = true;
    for (int tick = 0; tick < 3; ++tick)
        C.tmrInitTimer();
    EXPECT_TRUE(View.Timers[TMainTimer::Init]) << "no normal list yet: keeps waiting";
    Settings().SetSettingstring("NORMAL_IPS", "1.2.3.4:80|Germany|DE|13.4|52.5");
    P.Files.Put("C:\\Tools\\App\\res\\flag_short\\DE.PNG", "png");
    C.tmrInitTimer();
    EXPECT_FALSE(View.Timers[TMainTimer::Init]);
    EXPECT_EQ(View.Country, "Germany");

    C.FormDestroy();
    EXPECT_EQ(Switchers.Calls.size(), 6u);
    EXPECT_EQ(Switchers.Calls[3], "system restore") << "an end while not hiding keeps the user's own";
    EXPECT_EQ(Settings().GetSettingString("TARGET_COUNTRY"), "DE");
    EXPECT_EQ(C.FProxyManager, nullptr);
}

// The look for a hide of ours left behind waits for the message loop, but never behind a change.
TEST_F(MainControllerTest, ACommandBeforeTheStartsLookForALeftoverHideHasItFirst) {
    User("");
    C.FormCreate();
    P.Clock.Value += 1.0 / 86400;
    C.actStopHideExecute();
    const std::vector<std::string> calls{"firefox ", "opera ",   "system restore",
                                         "system ",  "firefox ", "opera "};
    EXPECT_EQ(Switchers.Calls, calls);
    P.Ui.Pump(10, std::chrono::milliseconds(200));
    EXPECT_EQ(Switchers.Calls, calls) << "once only";
}

TEST_F(MainControllerTest, TheVerificationWindowOpensOnceThePoolHasLoadedWhenAsked) {
    for (bool asked : {false, true}) {
        User(std::string("TestIPfromLocal=") + (asked ? "1" : "0") +
             "\nURL.VerifyIP=http://127.0.0.1:9/verifyip\nTARGET_COUNTRY=FR\n"
             "NORMAL_IPS=10.0.0.1:80|Germany|DE|13|52;10.0.0.2:80|France|FR|2|48;\n");
        Settings().Reopen();
        TFakeMainView view;
        TMainController c(view.Views(), Switchers, P.Facilities, Settings());
        c.FProxyManager = std::make_unique<TProxyManager>(P.Facilities, Settings());
        c.tmrInitTimer();
        c.tmrInitTimer(); // a tick already queued when the timer stopped
        ASSERT_EQ(view.TestingShown.size(), asked ? 1u : 0u);
        if (!asked) continue;
        ASSERT_EQ(view.TestingShown[0].size(), 1u) << "the target country's proxies";
        EXPECT_EQ(view.TestingShown[0][0].IP, "10.0.0.2");
        EXPECT_EQ(view.CheckURL, "http://127.0.0.1:9/verifyip");
    }
}

namespace {

// A window ready to hide: engine, an accepted update, the user's own information known,
// and a pool of two normal proxies in two countries and one premium proxy.
class HideTest : public MainControllerTest {
protected:
    TFakeEngineHost Host;
    TFakeDirectHttp& Http = P.Http;
    TFakeUiDispatcher& Ui = P.Ui;
    TCLMultiLangData Texts{nullptr, "CLMultiLangData"};
    std::unique_ptr<TCLEngine> E;
    const double kSecond = 1.0 / 86400;
    // Every request made so far, once the workers that make them have ended.
    std::vector<std::string> Requests() {
        EXPECT_TRUE(P.WorkersEnded());
        return Http.Requests();
    }

    void SetUp() override {
        MainControllerTest::SetUp();
        User("Update.Times=1\nApp.Name=Maskaddr\nURL.FlagPath=http://127.0.0.1:9/flags/\nSWITCH.IE=1\n"
             "NORMAL_IPS=10.0.0.1:8080|Germany, Federal Republic|DE|13|52;10.0.0.2:3128|France|FR|2|48;\n"
             "SUPER_IPS=10.0.0.9:80|Germany, Federal Republic|DE|13|52;\n"
             "SUPER_TOUCH=http://127.0.0.1:9/touch?ip={1}\nTARGET_COUNTRY=UN\n");
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
        C.SetEngine(E.get());
        Texts.SetCurrentData({"[AppRes]", "FLSMsg.Hiding=Hiding", "FLSMsg.Ready=Ready"});
        E->SetLanguageData(&Texts);
        P.Files.Put("C:\\Tools\\App\\res\\flag_short\\UN.PNG", "png"); // shipped: nothing to download
        C.FProxyManager = std::make_unique<TProxyManager>(P.Facilities, Settings());
        C.LoadPool();
        C.FLocalInfoGot = true;
        P.Clock.Value = 46000.5; // 12:00:00
    }
    void At(double seconds) { P.Clock.Value = 46000.5 + seconds * kSecond; }
    size_t Shown() { return Host.Dialog != nullptr ? Host.Dialog->Shown.size() : 0; }
    std::string LastShown() { return Host.Dialog->Shown.back(); }
};

} // namespace

TEST_F(HideTest, HideAppliesAProxyEverywhereAndTheOverlayTurns) {
    C.actMaskaddrExecute();
    ASSERT_EQ(Switchers.Calls.size(), 3u);
    const std::string proxy = Switchers.Calls[0].substr(7);
    EXPECT_EQ(Switchers.Calls,
              (std::vector<std::string>{"system " + proxy, "firefox " + proxy, "opera " + proxy}));
    EXPECT_TRUE(View.Stop);
    const TProxyRec& t = C.FProxyManager->TargetProxy();
    EXPECT_EQ(proxy, t.IP + ":" + t.Port);
    EXPECT_EQ(C.FLastChangeIPTime, P.Clock.Value);
    std::vector<std::string> expected{"SetIPInfo Target|True|http://127.0.0.1:9/flags/" + t.Country_Short +
                                          ".PNG|" + t.IP + "|" + t.Country_Long + "||0|100",
                                      "Fade Target|in|100", "SetIPInfoA Local|50|100", "TurnTarget",
                                      "Text Hiding|0"};
    EXPECT_EQ(View.Rec.Calls, expected);

    // Hiding again picks another proxy and replays the overlay's steps.
    At(1.0);
    View.Rec.Calls.clear();
    C.actMaskaddrExecute();
    ASSERT_EQ(Switchers.Calls.size(), 6u);
    EXPECT_NE(Switchers.Calls[3], Switchers.Calls[0]) << "a new proxy";
    EXPECT_EQ(View.Rec.Calls.size(), 5u);
    EXPECT_EQ(C.FLastChangeIPTime, P.Clock.Value);
}

TEST_F(HideTest, OneSecondGuard) {
    C.actMaskaddrExecute();
    At(0.4);
    C.actMaskaddrExecute();
    EXPECT_EQ(Switchers.Calls.size(), 3u) << "too fast: nothing changes";
    EXPECT_EQ(LastShown(), "Maskaddr: [AppRes]MSGBox_ACTIONFAST");
    At(0.9);
    C.actStopHideExecute();
    EXPECT_TRUE(View.Stop) << "the stop 0.9 s after the hide is refused";
    At(1.0);
    C.actStopHideExecute();
    EXPECT_FALSE(View.Stop);
    EXPECT_EQ(Switchers.Calls,
              (std::vector<std::string>{Switchers.Calls[0], Switchers.Calls[1], Switchers.Calls[2], "system ",
                                        "firefox ", "opera "}));
}

TEST_F(HideTest, WithoutTheLocalInformationAHideAsksAgainAndStillCounts) {
    C.FLocalInfoGot = false;
    C.actMaskaddrExecute();
    EXPECT_EQ(LastShown(), "Maskaddr: [AppRes]MSGBox.CHKNET");
    EXPECT_TRUE(Switchers.Calls.empty());
    EXPECT_EQ(Requests().size(), 1u) << "a new lookup";
    At(0.5);
    C.actMaskaddrExecute();
    EXPECT_EQ(LastShown(), "Maskaddr: [AppRes]MSGBox_ACTIONFAST") << "the refused hide stamped the time";
}

TEST_F(HideTest, StopSequenceAndDestructionAlwaysClear) {
    C.actMaskaddrExecute();
    View.Rec.Calls.clear();
    At(5);
    C.actStopHideExecute();
    EXPECT_EQ(View.Rec.Calls,
              (std::vector<std::string>{"SetIPInfoA Local|100|100", "SetIPInfoA Target|100|100",
                                        "Fade Target|out|0", "TurnLocal", "Text Ready|16711680"}));
    EXPECT_FALSE(View.Timers[TMainTimer::ChangeIP] || View.Timers[TMainTimer::Touch]);

    At(10);
    C.actMaskaddrExecute();
    At(10.3); // the program ends a moment after a hide: the browsers are cleared all the same
    size_t messages = Shown();
    C.FormDestroy();
    EXPECT_EQ(Switchers.Calls.back(), "opera ");
    EXPECT_EQ(Switchers.Calls[Switchers.Calls.size() - 3], "system ");
    EXPECT_EQ(Shown(), messages) << "no notice while closing";
}

TEST_F(HideTest, PremiumProxiesAreTouchedAtOnceAndEvery45Minutes) {
    User("Update.Times=1\nSUPER_IPS=10.0.0.9:80|Germany|DE|13|52;\nNORMAL_IPS=10.0.0.1:8080|France|FR|2|48;\n"
         "SUPER_TOUCH=http://127.0.0.1:9/touch?ip={1}&again={1}\nTARGET_COUNTRY=DE\n");
    Settings().Reopen();
    // Premium proxies come first in two choices of ten: find a seed of the pool's generator
    // that draws one, and let the real choice use it.
    uint64_t seed = 1;
    auto previous = ProxyRandom().SetSeedSource([&seed] { return seed; });
    for (; seed < 1000; ++seed) {
        TProxyManager probe{P.Facilities, Settings()};
        probe.LoadSettings();
        if (probe.GetIdleProxy("DE", false, TProxyRange::KAll, true).IsSuper) break;
    }
    C.FProxyManager = std::make_unique<TProxyManager>(P.Facilities, Settings());
    C.FProxyManager->LoadSettings();
    C.actMaskaddrExecute();
    ProxyRandom().SetSeedSource(previous);
    ASSERT_TRUE(C.FProxyManager->TargetProxy().IsSuper);
    EXPECT_TRUE(View.Timers[TMainTimer::Touch]);
    EXPECT_EQ(Requests(), std::vector<std::string>{"http://127.0.0.1:9/touch?ip=10.0.0.9&again=10.0.0.9"});
    for (int minute : {15, 30}) {
        At(minute * 60.0);
        C.tmrTouchTimer();
        EXPECT_EQ(Requests().size(), 1u) << "not yet more than 30 minutes at " << minute;
    }
    At(45 * 60.0);
    C.tmrTouchTimer();
    EXPECT_EQ(Requests().size(), 2u) << "touched at 12:00 and 12:45 only";
    At(45 * 60.0 + 1);
    C.actStopHideExecute();
    EXPECT_FALSE(View.Timers[TMainTimer::Touch]) << "a stop ends the keep-alive";

    Settings().SetSettingstring("TARGET_COUNTRY", "FR");
    C.FProxyManager->SetTargetCountry("FR");
    At(46 * 60.0);
    C.actMaskaddrExecute();
    EXPECT_FALSE(C.FProxyManager->TargetProxy().IsSuper);
    EXPECT_FALSE(View.Timers[TMainTimer::Touch]) << "a normal proxy stops the keep-alive";
}

TEST_F(HideTest, RotationAtTheFirstTickAfterTheIntervalAndCookiesAfterAutomaticRotationsOnly) {
    Settings().SetSettingBool("ChangeIP", true);
    View.ChangeIP = true;
    View.Minutes = 1;
    View.ClearCookie = true;
    C.actMaskaddrExecute(); // manual: no clearing
    EXPECT_TRUE(View.Timers[TMainTimer::ChangeIP]);
    size_t applied = Switchers.Calls.size();
    for (int tick = 10; tick < 60; tick += 10) {
        At(tick);
        C.tmrChangeIPTimer();
    }
    EXPECT_EQ(Switchers.Calls.size(), applied) << "not before a whole minute";
    At(60);
    C.tmrChangeIPTimer();
    EXPECT_EQ(Switchers.Calls.size(), applied + 5) << "three switchers, then cache and cookies";
    EXPECT_EQ(Switchers.Calls.back(), "cookies");
    EXPECT_EQ(C.FLastChangeIPTime, P.Clock.Value);

    // A new interval restarts the countdown from the change.
    At(90);
    View.Minutes = 2;
    C.edtChangeIPTimeChange();
    At(180);
    C.tmrChangeIPTimer();
    EXPECT_EQ(Switchers.Calls.size(), applied + 5) << "only 1.5 minutes since the change";
    At(210);
    C.tmrChangeIPTimer();
    EXPECT_EQ(Switchers.Calls.size(), applied + 10);

    // Not hiding: the armed timer idles.
    At(300);
    C.actStopHideExecute();
    size_t stopped = Switchers.Calls.size();
    At(1000);
    C.tmrChangeIPTimer();
    EXPECT_EQ(Switchers.Calls.size(), stopped);
}

TEST_F(HideTest, LocalInformationFillsBothPanelsAndChinaEndsTheProgram) {
    Http.SetReply("?MagicWord=", "IP=127.0.0.1\r\nCOUNTRY_SHORT=FR\r\nCOUNTRY_LONG=France\r\nCITY=Paris\r\n");
    C.FProxyManager->SetOnGetCurrentLocalInfo(
        [this](TProxyManager& s) { C.ProxyManagerGetCurrentLocalInfo(s); });
    C.FLocalInfoGot = false;
    C.FProxyManager->GetCurrentLocalInfo();
    ASSERT_EQ(Ui.Pump(1), 1u);
    EXPECT_TRUE(C.FLocalInfoGot);
    const std::string flag = "http://127.0.0.1:9/flags/FR.PNG";
    EXPECT_EQ(View.Rec.Calls,
              (std::vector<std::string>{"SetIPInfo Local|True|" + flag + "|127.0.0.1|France|Paris|100|100",
                                        "SetIPInfo Target||" + flag + "|127.0.0.1|France|Paris|100|100",
                                        "Text |0", "Text Ready|16711680"}));
    EXPECT_FALSE(View.Closed);
    Http.SetReply("?MagicWord=", "IP=127.0.0.1\r\nCOUNTRY_SHORT=cn\r\n");
    View.Rec.Calls.clear();
    C.FProxyManager->GetCurrentLocalInfo();
    Ui.Pump(1);
    EXPECT_EQ(View.Plain, std::vector<std::string>{"This product is unavailable in this country."});
    EXPECT_TRUE(View.Rec.Calls.empty()) << "the panels are not filled for a closing window";
    EXPECT_FALSE(View.Closed) << "the close waits for the message loop";
    View.TurnLoop();
    EXPECT_TRUE(View.Closed);
    EXPECT_EQ(C.FProxyManager, nullptr);
    EXPECT_EQ(Switchers.Calls.back(), "opera ") << "the browsers were cleared";
}

// A session that ends while the gate's message is open destroys the window at once, inside
// the pool's own answer: nothing of the freed pool may be touched afterwards.
TEST_F(HideTest, TheSessionEndingDuringTheGateMessageFreesThePoolSafely) {
    Http.SetReply("?MagicWord=", "IP=127.0.0.1\r\nCOUNTRY_SHORT=CN\r\n");
    C.FProxyManager->SetOnGetCurrentLocalInfo(
        [this](TProxyManager& s) { C.ProxyManagerGetCurrentLocalInfo(s); });
    View.WhilePlainMessage = [this] { C.FormDestroy(); };
    C.FProxyManager->GetCurrentLocalInfo();
    ASSERT_EQ(Ui.Pump(1), 1u);
    EXPECT_EQ(C.FProxyManager, nullptr);
    EXPECT_FALSE(View.ClosePosted) << "nothing left to close";
    EXPECT_EQ(Switchers.Calls, (std::vector<std::string>{"system ", "firefox ", "opera "}));
}

// Modal windows run message loops inside a handler; when the window is destroyed in one
// of them, the handler stops there and changes nothing more.
TEST_F(HideTest, HandlersStopWhenTheWindowWasDestroyedDuringTheirModalWindow) {
    Settings().SetSettingBool("AutoRun", true);
    View.Autorun = true;
    View.OnSettingsDialog = [this] { C.FormDestroy(); };
    C.actSettingsExecute();
    EXPECT_EQ(Settings().GetSettingString("AutoRun"), "1") << "not rewritten from a destroyed check box";
    EXPECT_EQ(C.FProxyManager, nullptr);
    size_t calls = Switchers.Calls.size();
    At(2);
    C.actMaskaddrExecute();
    C.tmrChangeIPTimer();
    EXPECT_EQ(Switchers.Calls.size(), calls);
}

// The first hide waits in the modal update window; a window destroyed there (its reply
// accepted) ends the hide: the pool it would draw from is gone.
TEST_F(HideTest, TheFirstHideStopsWhenTheWindowWasDestroyedDuringItsUpdate) {
    User("URL.Update=http://127.0.0.1:9/u\nApp.MagicWord=w\nSWITCH.IE=1\n"
         "NORMAL_IPS=10.0.0.1:8080|Germany, Federal Republic|DE|13|52;\n");
    P.Inet.SetReply("127.0.0.1:9/u", {200, true, ServiceSigned("magicword=w\r\nResult=0\r\n")});
    Host.ModalLoop = [this](TFakeUpdateView& v) {
        while (!v.Closed && Ui.Pump(1) == 1) {
        }
        C.FormDestroy();
    };
    C.actMaskaddrExecute();
    EXPECT_EQ(Settings().GetSettingString("Update.Times"), "1") << "the reply was accepted";
    EXPECT_EQ(C.FProxyManager, nullptr);
    EXPECT_EQ(Shown(), 0u);
    EXPECT_EQ(Switchers.Calls, (std::vector<std::string>{"system ", "firefox ", "opera "})) << "only the end's";
}

TEST_F(HideTest, TheFirstHideOfAFreshInstallationHidesWithTheListsItsUpdateBrought) {
    User("URL.Update=http://127.0.0.1:9/u\nApp.MagicWord=w\n");
    P.Inet.SetReply(
        "127.0.0.1:9/u",
        {200, true,
         ServiceSigned(
             "magicword=w\r\nResult=0\r\n__MODIFY__.NORMAL_IPS=10.0.0.1:8080|United States|US|-97|38;\r\n")});
    Host.ModalLoop = [this](TFakeUpdateView& v) {
        while (!v.Closed && Ui.Pump(1) == 1) {
        }
    };
    TMainController fresh{View.Views(), Switchers, P.Facilities, Settings()};
    fresh.SetEngine(E.get());
    View.Controller = &fresh;
    fresh.FProxyManager = std::make_unique<TProxyManager>(P.Facilities, Settings());
    fresh.FLocalInfoGot = true;
    View.Timers[TMainTimer::Init] = true;
    fresh.tmrInitTimer();
    EXPECT_TRUE(View.Timers[TMainTimer::Init]) << "no lists before the first update";

    fresh.actMaskaddrExecute();
    EXPECT_EQ(Shown(), 0u) << "no message: " << (Shown() > 0 ? LastShown() : "");
    EXPECT_EQ(Switchers.Calls, (std::vector<std::string>{"system 10.0.0.1:8080", "firefox 10.0.0.1:8080",
                                                         "opera 10.0.0.1:8080"}));
    EXPECT_TRUE(View.Stop);
    EXPECT_FALSE(View.Timers[TMainTimer::Init]) << "the pool is loaded: the init timer stops";
    EXPECT_EQ(View.Country, "United States");
    fresh.tmrInitTimer();
    EXPECT_EQ(fresh.FProxyManager->NormalProxyList().size(), 1u) << "loaded once, never appended again";
}

TEST_F(HideTest, CountryDisplayAndMissingProxies) {
    C.ResetCountryDisp();
    EXPECT_EQ(View.Country, "Auto Selected");
    C.FProxyManager->SetTargetCountry("un");
    C.ResetCountryDisp();
    EXPECT_EQ(View.Country, "") << "lower-case un is looked up as a code";
    C.FProxyManager->SetTargetCountry("DE");
    C.ResetCountryDisp();
    EXPECT_EQ(View.Country, "Germany, Federal Republic");

    C.FProxyManager->SetTargetCountry("JP");
    View.Stop = false;
    C.actMaskaddrExecute();
    EXPECT_TRUE(Switchers.Calls.empty()) << "no proxy for the country: nothing is applied";
    EXPECT_FALSE(View.Stop);
    EXPECT_EQ(LastShown(), "Maskaddr: [AppRes]MSGBox.NOPROXY");
}

TEST_F(HideTest, FlagsComeFromTheProgramTheCacheOrTheService) {
    TFakeInetClient& inet = P.Inet;
    inet.SetReply("127.0.0.1:9/flags/DE.PNG", {200, true, "png"});
    P.Files.Put("C:\\Tools\\App\\res\\flag_short\\FR.PNG", "fr");
    C.LoadFlag("FR");
    EXPECT_EQ(View.Flags.back(), "C:\\Tools\\App\\res\\flag_short\\FR.PNG");
    C.LoadFlag("de");
    EXPECT_EQ(Ui.Pump(2), 2u);
    EXPECT_TRUE(C.FlagDownloader().Result());
    const std::string cached = Settings().UserDataPath() + "de.PNG";
    EXPECT_EQ(inet.Requests(), std::vector<std::string>{"GET 127.0.0.1:9/flags/DE.PNG"});
    EXPECT_EQ(View.Flags.back(), cached) << "downloaded into the user data folder, then drawn";
    C.LoadFlag("de");
    EXPECT_EQ(inet.Requests().size(), 1u) << "the second time from the cache";
}

TEST_F(HideTest, TheFirefoxExtensionIsInstalledOnceAndOnlyWhenItsInstallationStarted) {
    auto& firefox = Switchers.Setup;
    firefox.Installed = true;
    C.InstallFirefoxExtensionOnce();
    EXPECT_TRUE(Switchers.Calls.empty()) << "the Firefox switch is off: Firefox is never started";
    Settings().SetSettingBool("SWITCH.FF", true);
    firefox.Installed = false;
    C.InstallFirefoxExtensionOnce();
    EXPECT_TRUE(Switchers.Calls.empty()) << "no Firefox";
    firefox.Installed = true;
    firefox.InstallStarts = false; // no package beside the program
    C.InstallFirefoxExtensionOnce();
    EXPECT_FALSE(Settings().GetSettingBool("FFEXT.INSTALLED")) << "tried again at the next start";
    EXPECT_EQ(Shown(), 0u);
    firefox.InstallStarts = firefox.Running = true;
    C.InstallFirefoxExtensionOnce();
    EXPECT_TRUE(Settings().GetSettingBool("FFEXT.INSTALLED"));
    EXPECT_EQ(LastShown(), "Maskaddr: [AppRes]MSGBox.FFRestart");
    C.InstallFirefoxExtensionOnce();
    EXPECT_EQ(Switchers.Calls, (std::vector<std::string>{"install", "install"}));
}

TEST_F(HideTest, ChoosingACountryWithOkShowsItAndHidesThroughItAtOnce) {
    View.Stop = false; // not hiding
    View.OnChooser = [](TProxyManager& pool) {
        pool.SetTargetCountry("FR"); // as the chooser's OK does
        return true;
    };
    At(5);
    C.actChooseIPCountryExecute();
    EXPECT_EQ(View.ChooserShown, 1);
    EXPECT_EQ(View.Country, "France") << "the country display follows";
    ASSERT_EQ(Switchers.Calls.size(), 3u) << "a hide runs at once";
    EXPECT_EQ(Switchers.Calls[0], "system 10.0.0.2:3128");
    EXPECT_TRUE(View.Stop);
}

TEST_F(HideTest, CancellingTheChooserChangesNothing) {
    View.Stop = false;
    View.OnChooser = [](TProxyManager&) { return false; };
    At(5);
    C.actChooseIPCountryExecute();
    EXPECT_EQ(View.ChooserShown, 1);
    EXPECT_TRUE(Switchers.Calls.empty());
    EXPECT_EQ(C.FProxyManager->TargetCountry(), "UN");
    EXPECT_EQ(Shown(), 0u);
}

TEST_F(HideTest, TheChooserWaitsForTheLocalInformation) {
    C.FLocalInfoGot = false;
    C.actChooseIPCountryExecute();
    EXPECT_EQ(View.ChooserShown, 0);
    EXPECT_EQ(LastShown(), "Maskaddr: [AppRes]MSGBox.CHKNET");
    EXPECT_EQ(Requests().size(), 1u) << "a new lookup";
}
