// The main window while the world changes: the watch of the proxy in use (a dead or leaking
// proxy replaced, none answering kept closed, a return), the lookup tried again with backoff,
// new lists after an update, and another program's change of the system settings.
#include "app/AppSettings.h"
#include "app/MainController.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakeMainView.h"
#include "fakes/FakePlatform.h"
#include "fakes/RecordingSwitchers.h"
#include "framework/engine/CLEngine.h"
#include "framework/language/CLMultiLang.h"
#include "proxy/ProxyManager.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr char kCheck[] = "http://127.0.0.1:9/verifyip";
constexpr double kSecond = 1.0 / 86400;

class ProxyWatchTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeMainView View;
    TRecordingSwitchers Switchers;
    TMainController C{View.Views(), Switchers, P.Facilities, Settings()};
    TFakeEngineHost Host;
    TCLMultiLangData Texts{nullptr, "CLMultiLangData"};
    std::unique_ptr<TCLEngine> E;

    void SetUp() override {
        View.Controller = &C;
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.Name=Maskaddr\n");
        P.Files.Put("C:\\ProgramData\\C__Tools_App_app.exe\\setting.dat",
                    std::string("[setting]\nUpdate.Times=1\nURL.VerifyIP=") + kCheck +
                        "\nTARGET_COUNTRY=US\nURL.GetInfo=http://127.0.0.1:9/info\nApp.MagicWord=w\n"
                        "NORMAL_IPS=10.0.0.1:80|United States|US|-97|38;10.0.0.2:80|United States|US|-97|38;"
                        "10.0.0.3:80|Germany|DE|13|52;\n");
        P.Files.Put("C:\\Tools\\App\\res\\flag_short\\US.PNG", "png");
        Settings().Reopen(); // the store of the controller reads the files as a start does
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
        C.SetEngine(E.get());
        Texts.SetCurrentData({"[AppRes]", "FLSMsg.Hiding=Hiding", "FLSMsg.NoConnection=No connection",
                              "Watch.NoProxy=None of {1}<BR>Wait", "Watch.Resumed=Back in {1}",
                              "Watch.OtherProgram=Another program", "Browsers.Profile={1} ({2})",
                              "Browsers.NotHidden={1} is not hidden",
                              "Browsers.NotHiddenSeveral=Not hidden: {1}"});
        E->SetLanguageData(&Texts);
        P.Clock.Value = 46000.5;
    }
    // A pool loaded and the user's own address known, hiding through one of the two US
    // proxies (First; the other is Second). A proxy without a reply refuses.
    void HideThroughTheFirst() {
        C.FProxyManager = std::make_unique<TProxyManager>(P.Facilities, Settings());
        C.LoadPool();
        C.FProxyManager->HandleLocalInfo("IP=127.0.0.1");
        C.FLocalInfoGot = true;
        C.actMaskaddrExecute();
        First = C.FProxyManager->TargetProxy().IP + ":80";
        Second = First == "10.0.0.1:80" ? "10.0.0.2:80" : "10.0.0.1:80";
    }
    void Answers(const std::string& proxy) {
        P.Http.SetProxyReply(proxy, kCheck,
                             "IP=" + proxy.substr(0, proxy.find(':')) + "\r\nCOUNTRY_SHORT=US\r\n");
    }
    // The watch's timer at that many seconds after the start, and every reply it waits for.
    void TickAt(double seconds) {
        P.Clock.Value = 46000.5 + seconds * kSecond;
        C.tmrWatchTimer();
        while (P.Ui.Pump(1, std::chrono::milliseconds(300)) == 1) {
        }
    }
    size_t Probes(const std::string& proxy) {
        EXPECT_TRUE(P.WorkersEnded());
        size_t n = 0;
        for (const std::string& r : P.Http.Requests())
            n += r == proxy + " " + kCheck;
        return n;
    }
    std::string InUse() { return C.FProxyManager->TargetProxy().IP + ":80"; }
    std::string First, Second;
};

} // namespace

TEST_F(ProxyWatchTest, ADeadProxyIsReplacedByTheNextThatAnswersAndNeverChosenAgain) {
    HideThroughTheFirst();
    Answers(Second);
    P.Http.SetReply(First + " " + kCheck, "IP=127.0.0.1\r\n"); // it leaks the user's address
    TickAt(19);
    EXPECT_EQ(Probes(First), 0u) << "checked every 20 seconds";
    TickAt(20);
    EXPECT_EQ(Probes(First), 1u);
    EXPECT_EQ(InUse(), Second) << "a leak is death at once";
    EXPECT_EQ(Switchers.Calls.back(), "opera " + Second);
    EXPECT_TRUE(View.Stop) << "still hiding";
    for (double at : {22.0, 24.0, 26.0}) { // rotations never go back to the dead one
        P.Clock.Value = 46000.5 + at * kSecond;
        C.actMaskaddrExecute();
        EXPECT_EQ(InUse(), Second);
    }
}

TEST_F(ProxyWatchTest, OneTimeoutIsForgivenTwoInARowAreDeath) {
    HideThroughTheFirst();
    Answers(Second);
    P.Http.SetProxyTimesOut(First, true);
    TickAt(20);
    EXPECT_EQ(InUse(), First) << "one timeout";
    TickAt(21);
    EXPECT_EQ(Probes(First), 2u) << "checked again at once";
    EXPECT_EQ(InUse(), Second);
}

TEST_F(ProxyWatchTest, WhenNoProxyAnswersTheBrowsersStayUntilOneAnswersAgain) {
    HideThroughTheFirst();
    const size_t calls = Switchers.Calls.size();
    TickAt(20);
    EXPECT_EQ(Switchers.Calls.size(), calls) << "nobody is switched, least of all to a direct connection";
    EXPECT_TRUE(View.Stop);
    EXPECT_TRUE(C.Watch().FailedClosed());
    EXPECT_EQ(View.Notices, std::vector<std::string>{"None of United States\r\nWait"});
    EXPECT_EQ(std::vector<std::string>(View.Rec.Calls.end() - 2, View.Rec.Calls.end()),
              (std::vector<std::string>{"Text None of United States|0", "Text2 Wait|0"}))
        << "the overlay's two lines";
    P.Clock.Value = 46000.5 + 30 * kSecond;
    C.actMaskaddrExecute(); // a rotation can only put a dead proxy back
    EXPECT_TRUE(C.Watch().FailedClosed());
    EXPECT_EQ(View.Notices.size(), 1u);
    TickAt(70);
    EXPECT_EQ(Probes(First) + Probes(Second), 2u) << "no round before a minute has passed";

    Answers(Second);
    TickAt(81);
    EXPECT_EQ(InUse(), Second);
    EXPECT_EQ(Switchers.Calls.back(), "opera " + Second);
    EXPECT_EQ(View.Notices.back(), "Back in United States");
    EXPECT_NE(std::find(View.Rec.Calls.end() - 3, View.Rec.Calls.end(), "Text2 |0"), View.Rec.Calls.end())
        << "the details go with the state they told of";
    EXPECT_FALSE(C.Watch().FailedClosed());
    C.actStopHideExecute();
    TickAt(200);
    EXPECT_EQ(Probes(Second), 2u) << "no watch while not hiding";
}

TEST_F(ProxyWatchTest, NewListsReplaceThePoolAndAWithdrawnProxyIsLeftAtOnce) {
    HideThroughTheFirst();
    Answers(Second);
    Settings().SetSettingstring("NORMAL_IPS", Second + "|United States|US|-97|38;10.0.0.4:80|France|FR|2|48");
    C.UpdateAccepted();
    EXPECT_EQ(C.FProxyManager->NormalProxyList().size(), 2u) << "replaced, not appended";
    while (P.Ui.Pump(1, std::chrono::milliseconds(300)) == 1) {
    }
    EXPECT_EQ(InUse(), Second);
    for (const std::string& used : C.FProxyManager->UsedProxyList())
        EXPECT_NE(used + ":80", First) << "the used list keeps only listed proxies";
}

TEST_F(ProxyWatchTest, AnotherProgramsSettingsEndTheHidingAndAreNeverWrittenOver) {
    HideThroughTheFirst();
    const size_t calls = Switchers.Calls.size();
    P.Registry.WriteString(TRegRoot::CurrentUser, kInternetSettingsKey, "ProxyServer", "127.0.0.9:3128");
    TickAt(1);
    EXPECT_FALSE(View.Stop) << "not hiding any more";
    EXPECT_EQ(View.Notices, std::vector<std::string>{"Another program"});
    EXPECT_EQ(std::vector<std::string>(Switchers.Calls.begin() + calls, Switchers.Calls.end()),
              (std::vector<std::string>{"firefox ", "opera "}))
        << "the system settings are not touched";
    TickAt(30);
    EXPECT_EQ(Probes(First), 0u);
}

TEST_F(ProxyWatchTest, TheLookupIsTriedAgainWithGrowingPausesUntilItAnswers) {
    C.FormCreate();
    auto lookups = [this] {
        EXPECT_TRUE(P.WorkersEnded());
        return P.Http.Requests().size();
    };
    while (P.Ui.Pump(1, std::chrono::milliseconds(300)) == 1) {
    }
    EXPECT_EQ(View.Rec.Calls.back(), "Text No connection|0");
    // Tried again 2, 4, 8 and 16 seconds after each failure.
    const std::vector<std::pair<double, size_t>> ticks{{1, 1},  {2, 2},  {5, 2}, {6, 3},
                                                       {13, 3}, {14, 4}, {30, 5}};
    for (auto [at, expected] : ticks) {
        TickAt(at);
        EXPECT_EQ(lookups(), expected) << at;
    }
    P.Http.SetReply("http://127.0.0.1:9/info?MagicWord=w", "IP=127.0.0.1\r\nCOUNTRY_SHORT=DE\r\n");
    TickAt(62);
    EXPECT_TRUE(C.FLocalInfoGot) << "the real location fills in without a click";
    TickAt(500);
    EXPECT_EQ(lookups(), 6u);
    C.FormDestroy();
}

// A browser with its own proxy is named at the first hide of the run that finds it, and
// never again, however often the program hides.
TEST_F(ProxyWatchTest, ABrowserThatIsNotHiddenIsNamedOncePerRun) {
    const std::string data = "C:\\Users\\me\\AppData\\Roaming\\Mozilla\\Firefox";
    P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Clients\\StartMenuInternet\\Firefox", "", "Firefox");
    P.Files.Put(data + "\\profiles.ini", "[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/r\n"
                                        "[Profile1]\nName=work\nIsRelative=1\nPath=Profiles/w\n");
    P.Files.Put(data + "\\Profiles\\r\\prefs.js", "user_pref(\"network.proxy.type\", 0);\n");
    HideThroughTheFirst();
    P.Files.Put(data + "\\Profiles\\w\\prefs.js", "user_pref(\"network.proxy.type\", 1);\n");
    P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Policies\\Google\\Chrome", "ProxyMode", "direct");
    P.Registry.WriteString(TRegRoot::CurrentUser, "Software\\Clients\\StartMenuInternet\\Chrome", "",
                           "Google Chrome");
    for (double at : {2.0, 4.0}) {
        P.Clock.Value = 46000.5 + at * kSecond;
        C.actMaskaddrExecute();
    }
    EXPECT_EQ(View.Notices, (std::vector<std::string>{"Firefox (default-release) is not hidden",
                                                      "Not hidden: Google Chrome, Firefox (work)"}));
}
