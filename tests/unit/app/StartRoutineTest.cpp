// The start routine's decisions, in order, against a recording host.
#include "app/StartRoutine.h"
#include "app/AppSettings.h"
#include "browsers/CountryGate.h"
#include "browsers/FirefoxFollow.h"
#include "browsers/ProxyJournal.h"
#include "fakes/FakePlatform.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

class TRecordingHost final : public IStartHost {
public:
    std::vector<std::string> Log;
    bool LanguageOk = true, MutexExists = false, CtrlShift = false;
    TWindowRef Running = 0;
    intptr_t BusyAnswer = 0, FrontAnswer = 0;

    bool CheckSystemLanguage() override { return Log.push_back("gate"), LanguageOk; }
    void MaskFloatingPointExceptions() override { Log.push_back("fpu"); }
    bool CtrlShiftHeld() override { return CtrlShift; }
    TWindowRef FindRunningInstance(int32_t appId) override {
        Log.push_back("find " + std::to_string(appId));
        return Running;
    }
    intptr_t SendRegistered(TWindowRef, const std::string& m) override {
        Log.push_back("send " + m);
        return m == "CL IfBusy" ? BusyAnswer : m == "CL BringtoFront" ? FrontAnswer : 0;
    }
    void ForceToFront(TWindowRef) override { Log.push_back("front"); }
    void ForwardArgument(TWindowRef, const std::string& t) override { Log.push_back("forward " + t); }
    void Sleep(uint32_t ms) override { Log.push_back("sleep " + std::to_string(ms)); }
    bool CreateSingleInstanceMutex(const std::string& n) override {
        return Log.push_back("mutex " + n), MutexExists;
    }
    void ShowSplash() override { Log.push_back("splash"); }
    bool CreateMainWindow(bool trayOnly) override {
        return Log.push_back(trayOnly ? "window tray" : "window"), true;
    }
    void RunMessageLoop() override { Log.push_back("loop"); }
};

class StartRoutineTest : public ::testing::Test {
protected:
    TFakePlatform P;
    // The switchers' reach: this test's platform and the store as it is now.
    TBrowserContext C() { return {P.Facilities, Settings()}; }
    TRecordingHost Host;
    void SetUp() override {
        P.Files.Put("C:\\Tools\\App\\const.dat", "[setting]\nApp.ID=77\nApp.GUID={G}\nApp.Autorun=0\n");
    }
    std::vector<std::string> Run(std::vector<std::string> args) {
        RunApplication(Host, TCommandLine(std::move(args)));
        return Host.Log;
    }
    using L = std::vector<std::string>;
};

} // namespace

TEST_F(StartRoutineTest, NormalStartTakesTheMutexAndRunsTheWindow) {
    EXPECT_EQ(Run({}), (L{"gate", "fpu", "mutex Global\\{G}", "window", "loop"}));
}

TEST_F(StartRoutineTest, SwitchesDecideBeforeAnythingElse) {
    EXPECT_EQ(Run({"/I"}), (L{"gate", "fpu"}));
    Host.Log.clear();
    Host.Running = 5;
    EXPECT_EQ(Run({"/S"}), (L{"gate", "fpu", "find 77", "send CL CloseApp"}));
    Host.Log.clear();
    // With none running, a journal left by a killed run is put back (the uninstaller's case).
    Host.Running = 0;
    const std::string journal = "C:\\Users\\me\\AppData\\Roaming\\C__Tools_App_app.exe\\proxyjournal.dat";
    P.Files.Put(journal, FormatProxyJournal(
                             {{2, "127.0.0.9:3128", "", "", 0}, 1u, "own", std::nullopt, std::nullopt}));
    EXPECT_EQ(Run({"/S"}), (L{"gate", "fpu", "find 77"}));
    EXPECT_EQ(P.InetSettings.Options.ProxyServer, "127.0.0.9:3128");
    EXPECT_FALSE(P.Files.FileExists(journal));
    Host.Log.clear();
    Host.Running = 5;
    EXPECT_EQ(Run({"-r"}), (L{"gate", "fpu", "find 77", "send CL CloseApp", "sleep 2000", "mutex Global\\{G}",
                              "window", "loop"}));
    Host.Log.clear();
    Host.Running = 0;
    EXPECT_EQ(Run({"-a"}), (L{"gate", "fpu"})) << "autorun start refused without App.Autorun";
    Host.Log.clear();
    EXPECT_EQ(Run({"-H"}), (L{"gate", "fpu", "mutex Global\\{G}", "window tray", "loop"}));
    Host.Log.clear();
    Host.LanguageOk = false;
    EXPECT_EQ(Run({}), (L{"gate"}));
}

// The setup of an upgrade ends the program with "/S" too: only the uninstaller's word takes
// the line of "Make it follow" back out of the profile.
TEST_F(StartRoutineTest, OnlyTheUninstallersEndTakesBackWhatMakeItFollowWrote) {
    const std::string profile = "C:\\Users\\me\\AppData\\Roaming\\Mozilla\\Firefox\\p";
    P.Files.Put(profile + "\\user.js", "a;\r\n");
    ASSERT_EQ(MakeFirefoxProfileFollow(C(), profile).Outcome, TFollowResult::TOutcome::Written);
    const std::string followed = P.Files.Get(profile + "\\user.js");
    Host.Running = 5;
    for (const auto& [args, after] : {std::pair<std::vector<std::string>, std::string>{{"/S"}, followed},
                                      {{"/s", "-uninstall"}, "a;\r\n"}}) {
        Run(args);
        EXPECT_EQ(P.Files.Get(profile + "\\user.js"), after) << args.back();
    }
}

TEST_F(StartRoutineTest, SecondInstanceActivatesTheFirstAndForwardsAPlainArgument) {
    Host.MutexExists = true;
    Host.Running = 9;
    EXPECT_EQ(Run({"report.txt"}), (L{"gate", "fpu", "mutex Global\\{G}", "find 77", "send CL IfBusy",
                                      "send CL BringtoFront", "front", "forward report.txt"}));
    Host.Log.clear();
    Host.BusyAnswer = 1; // still initialising: nothing is brought forward, the argument still goes
    EXPECT_EQ(Run({"report.txt"}),
              (L{"gate", "fpu", "mutex Global\\{G}", "find 77", "send CL IfBusy", "forward report.txt"}));
    Host.Log.clear();
    Host.BusyAnswer = 0;
    Host.FrontAnswer = 1;
    EXPECT_EQ(Run({"-x"}),
              (L{"gate", "fpu", "mutex Global\\{G}", "find 77", "send CL IfBusy", "send CL BringtoFront"}))
        << "a switch is never forwarded";
}

TEST_F(StartRoutineTest, MultipleInstancesNeedNoMutexAndTheSplashComesFirst) {
    P.Files.Put("C:\\Tools\\App\\oem.const.dat", "[setting]\nApp.Multiple=1\nApp.Splash=1\n");
    EXPECT_EQ(Run({}), (L{"gate", "fpu", "splash", "window", "loop"}));
}

TEST_F(StartRoutineTest, DebugTraceDecision) {
    P.Trace.Lines.clear();
    Run({"-d"});
    ASSERT_FALSE(P.Trace.Lines.empty());
    EXPECT_EQ(P.Trace.Lines.front(), "[CLApp] Enter Debug Mode...");
    EXPECT_TRUE(DecideDebugTrace(false, true, false, false));
    EXPECT_TRUE(DecideDebugTrace(false, false, true, false));
    EXPECT_FALSE(DecideDebugTrace(false, true, true, true)) << "Debug.Disabled wins over setting and keys";
    EXPECT_TRUE(DecideDebugTrace(true, false, false, true)) << "but not over the switch";
}

TEST(CountryGateTest, RefusesOnlyTheNamedLanguage) {
    struct TFakeLanguage final : ISystemLanguage {
        std::string Name;
        std::vector<std::string> Shown;
        std::string DefaultLanguageName() override { return Name; }
        void ShowPlainMessage(const std::string& t) override { Shown.push_back(t); }
    } system;
    for (const char* ok :
         {"English (United States)", "Chinese (Simplified)", "Chinese (Traditional, Taiwan)"}) {
        system.Name = ok;
        EXPECT_TRUE(CheckSystemLanguage(system)) << ok;
    }
    EXPECT_TRUE(system.Shown.empty());
    system.Name = "chinese (simplified, prc)";
    EXPECT_FALSE(CheckSystemLanguage(system));
    EXPECT_EQ(system.Shown, std::vector<std::string>{"This product is unavailable in this country."});
}
