// The real maskaddr.exe under Wine against the real maskaddr-service and a real tinyproxy
// that connects out from 127.0.0.2 (run-e2e starts them): hiding changes the address that
// the check-IP page sees, stopping and exiting give it back, a killed program is repaired,
// and the verification window tells a hiding proxy from a leaking and a dead one.
#include "E2eSupport.h"
#include "ProgramDriver.h"
#include "Screenshot.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "ui/win32/TestingForm.h"

#include <gtest/gtest.h>

#include <memory>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The program under test, as run-e2e placed it.
class TApp : public TProgram {
public:
    explicit TApp(const std::string& args) : TProgram(Env("MASKADDR_E2E_EXE"), args) {}
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("MASKADDR_E2E_EXE").empty()) << "run through tests/e2e/run-e2e";
        Proxy = Env("MASKADDR_E2E_PROXY");
    }
    std::string Proxy;
};

} // namespace

TEST_F(EndToEnd, HidingChangesTheAddressTheCheckPageSees) {
    ASSERT_EQ(SeenAddress(), "127.0.0.1") << "direct before the program starts";
    const std::string userFile = ShellFolderPath(true, "Common AppData") + "\\" +
                                 FolderWord(TFileSystemWin().LongPath(Env("MASKADDR_E2E_EXE"))) +
                                 "\\setting.dat";
    ASSERT_FALSE(TFileSystemWin().FileExists(userFile)) << "a fresh installation: no user file yet";
    TApp app("-d");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);

    // 1. The lookup answered: the overlay shows the real address and the ready text.
    const std::string trace = Env("MASKADDR_TRACE_FILE");
    EXPECT_TRUE(WaitFor(
        [&] {
            std::string t = ReadText(trace);
            return t.find("|127.0.0.1|Germany|Berlin|") != std::string::npos &&
                   t.find("SetTextInfo(Ready. Click \"Maskaddr\" to hide your IP address.") !=
                       std::string::npos;
        },
        30000))
        << ReadText(trace);
    EXPECT_NE(ReadText(Env("MASKADDR_E2E_SERVICE_LOG")).find("GET /getinfo?MagicWord=maskaddr-7c1e 200"),
              std::string::npos);

    // 2. The automatic update at start-up has brought the list, which names 127.0.0.2 only,
    // before any click.
    ASSERT_TRUE(WaitFor([&] { return IniValue(userFile, "setting", "Update.Times") == "1"; }, 30000))
        << ReadText(Env("MASKADDR_E2E_SERVICE_LOG"));
    EXPECT_EQ(IniValue(userFile, "setting", "NORMAL_IPS"), Proxy + "|United States|US|-97.00|38.00");

    // 3. One click hides, with no second update and no message.
    ASSERT_EQ(app.Hide(w), "") << ReadText(trace);
    TProxyState hidden = QuerySystemProxy();
    EXPECT_EQ(hidden.Flags & PROXY_TYPE_PROXY, static_cast<DWORD>(PROXY_TYPE_PROXY));
    EXPECT_EQ(hidden.Server, Proxy);
    EXPECT_EQ(hidden.RegistryServer, "http=" + Proxy + ";ftp=" + Proxy + ";https=" + Proxy + ";");
    EXPECT_EQ(hidden.RegistryEnable, 1u);
    EXPECT_EQ(IniValue(userFile, "setting", "Update.Times"), "1");
    EXPECT_EQ(SeenAddress(), "127.0.0.2");
    EXPECT_NE(ReadText(Env("MASKADDR_E2E_PROXY_LOG")).find("GET " + Env("MASKADDR_E2E_SERVICE") + "/checkip"),
              std::string::npos)
        << ReadText(Env("MASKADDR_E2E_PROXY_LOG"));

    // 4. Stop: the same client is seen from the real address again.
    Sleep(1100);
    SendMessageW(w, WM_COMMAND, ids::actStopHide, 0);
    EXPECT_TRUE(IsDirect(QuerySystemProxy()));
    EXPECT_EQ(SeenAddress(), "127.0.0.1");

    // 5. Hide again, then Exit (the tray menu's command): direct again once the program ended.
    ASSERT_EQ(app.Hide(w), "");
    EXPECT_EQ(SeenAddress(), "127.0.0.2");
    PostMessageW(w, WM_COMMAND, ids::actExit, 0);
    EXPECT_EQ(app.Ended(15000), 0);
    EXPECT_TRUE(IsDirect(QuerySystemProxy()));
    EXPECT_EQ(SeenAddress(), "127.0.0.1");
}

TEST_F(EndToEnd, AProgramKilledWhileHidingIsRepairedAtItsNextStart) {
    TFileSystemWin().RemoveFile(Env("MASKADDR_TRACE_FILE")); // this run's ready text only
    {
        TApp app("-d");
        HWND w = app.Ready();
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(WaitForText(Env("MASKADDR_TRACE_FILE"), "SetTextInfo(Ready."));
        ASSERT_EQ(app.Hide(w), "");
        ASSERT_EQ(SeenAddress(), "127.0.0.2");
        app.Kill();
        EXPECT_EQ(QuerySystemProxy().RegistryEnable, 1u) << "the kill left the system settings hiding";
    }
    TApp again("-d");
    HWND w = again.Ready();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(WaitFor([] { return IsDirect(QuerySystemProxy()); }, 10000));
    EXPECT_EQ(SeenAddress(), "127.0.0.1");
    PostMessageW(w, WM_COMMAND, ids::actExit, 0);
    EXPECT_EQ(again.Ended(15000), 0);
}

// A pool that still lists a proxy which passes the address on and one that is gone: the
// verification window at start-up names each verdict and stays open for the user.
TEST_F(EndToEnd, VerificationWindowTellsWhichProxiesHide) {
    const std::string good = Proxy, leaky = Env("MASKADDR_E2E_LEAKY_PROXY"),
                      dead = Env("MASKADDR_E2E_DEAD_PROXY");
    const std::string userFile = ShellFolderPath(true, "Common AppData") + "\\" +
                                 FolderWord(TFileSystemWin().LongPath(Env("MASKADDR_E2E_EXE"))) +
                                 "\\setting.dat";
    TFileSystemWin().CreateFolders(userFile.substr(0, userFile.rfind('\\')));
    ASSERT_EQ(TFileSystemWin().WriteFileAtomic(
                  userFile, "[setting]\r\nUpdate.BeginAuto=0\r\nUpdate.Times=1\r\nTARGET_COUNTRY=UN\r\n"
                            "TestIPfromLocal=1\r\nNORMAL_IPS=" +
                                good + "|United States|US|-97|38;" + leaky + "|France|FR|2|48;" + dead +
                                "|France|FR|2|48;\r\n"),
              "");
    TApp app("-d");
    ASSERT_NE(app.Ready(), nullptr);
    HWND testing = app.WaitForWindow("TfrmTesting", 30000);
    ASSERT_NE(testing, nullptr) << ReadText(Env("MASKADDR_TRACE_FILE"));
    auto text = [&](int id) {
        std::wstring buffer(4096, L'\0');
        SendMessageW(GetDlgItem(testing, id), WM_GETTEXT, buffer.size(),
                     reinterpret_cast<LPARAM>(buffer.data()));
        return ToUtf8(buffer.c_str());
    };
    ASSERT_TRUE(WaitFor([&] { return text(testingIds::lblInfo).find(" of 3 ") != std::string::npos; }, 40000))
        << text(testingIds::lblInfo) << "\n"
        << text(testingIds::mmoLog);
    EXPECT_EQ(text(testingIds::lblInfo), "1 of 3 proxies hide your address.");
    const std::string log = text(testingIds::mmoLog);
    EXPECT_NE(log.find(good + "   United States   "), std::string::npos) << log;
    EXPECT_NE(log.find("hides your address"), std::string::npos) << log;
    EXPECT_NE(log.find(leaky + "   France   "), std::string::npos) << log;
    EXPECT_NE(log.find("leaks your address in the header X-Tinyproxy"), std::string::npos) << log;
    EXPECT_NE(log.find(dead + "   France   "), std::string::npos) << log;
    EXPECT_NE(log.find("does not answer"), std::string::npos) << log;
    SaveScreenshot(testing, "verification-window");
    // The proxies carried the checks, not the system's settings.
    EXPECT_NE(ReadText(Env("MASKADDR_E2E_PROXY_LOG")).find("/verifyip"), std::string::npos);

    PostMessageW(testing, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(testing); }, 10000));
    PostMessageW(app.Window(), WM_COMMAND, ids::actExit, 0);
    EXPECT_EQ(app.Ended(15000), 0);
}
