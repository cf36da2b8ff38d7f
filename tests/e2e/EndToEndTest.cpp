// The real maskaddr.exe under Wine against the real maskaddr-service and a real tinyproxy
// that connects out from 127.0.0.2 (run-e2e starts them): hiding changes the address that
// the check-IP page sees, stopping and exiting give it back, a killed program is repaired,
// the verification window tells a hiding proxy from a leaking and a dead one, and choosing
// Germany in the country chooser hides through the German proxy on 127.0.0.3.
#include "E2eSupport.h"
#include "ProgramDriver.h"
#include "Screenshot.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "ui/win32/ChooseIPCountryForm.h"
#include "ui/win32/TestingForm.h"

#include <gtest/gtest.h>

#include <memory>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

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
    EXPECT_TRUE(PumpUntil(
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
    ASSERT_TRUE(PumpUntil([&] { return IniValue(userFile, "setting", "Update.Times") == "1"; }, 30000))
        << ReadText(Env("MASKADDR_E2E_SERVICE_LOG"));
    const std::string lists = IniValue(userFile, "setting", "NORMAL_IPS");
    EXPECT_NE(lists.find(Proxy + "|United States|US|-97.00|38.00"), std::string::npos) << lists;
    EXPECT_NE(lists.find(Env("MASKADDR_E2E_PROXY_DE") + "|Germany|DE|13.40|52.52"), std::string::npos)
        << lists;

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
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_TRUE(IsDirect(QuerySystemProxy()));
    EXPECT_EQ(SeenAddress(), "127.0.0.1");
}

TEST_F(EndToEnd, AProgramKilledWhileHidingIsRepairedAtItsNextStart) {
    TFileSystemWin().RemoveFile(Env("MASKADDR_TRACE_FILE")); // this run's ready text only
    {
        TApp app("-d");
        HWND w = nullptr;
        ASSERT_EQ(app.StartAndHide(Env("MASKADDR_TRACE_FILE"), w), "");
        ASSERT_EQ(SeenAddress(), "127.0.0.2");
        app.Kill();
        EXPECT_EQ(QuerySystemProxy().RegistryEnable, 1u) << "the kill left the system settings hiding";
    }
    TApp again("-d");
    HWND w = again.Ready();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(PumpUntil([] { return IsDirect(QuerySystemProxy()); }, 10000));
    EXPECT_EQ(SeenAddress(), "127.0.0.1");
    EXPECT_EQ(again.Exit(w), 0);
}

// ---- the country chooser ----

namespace {

HWND VisibleChooser(DWORD waitMs = 15000) {
    return WaitForVisibleWindow(L"TfrmChooseIPCountry", waitMs);
}

// The user's choice in the list, as the list reports it.
bool ChooseInList(HWND chooser, const wchar_t* name) {
    HWND list = GetDlgItem(chooser, TfrmChooseIPCountry::idCountry);
    const LRESULT index =
        SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    if (index <= 0) return false;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(TfrmChooseIPCountry::idCountry, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return true;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(EndToEnd, ChoosingGermanyHidesThroughTheGermanProxy) {
    const std::string trace = Env("MASKADDR_TRACE_FILE");
    const std::string dataFolder = ShellFolderPath(true, "Common AppData") + "\\" +
                                   FolderWord(TFileSystemWin().LongPath(Env("MASKADDR_E2E_EXE")));
    const std::string userFile = dataFolder + "\\setting.dat", flag = dataFolder + "\\DE.PNG";
    TFileSystemWin().RemoveFile(trace);
    TFileSystemWin().RemoveFile(flag);
    // The lists as the service serves them (the leaking and the dead proxy are not served).
    TFileSystemWin().CreateFolders(dataFolder);
    ASSERT_EQ(TFileSystemWin().WriteFileAtomic(
                  userFile, "[setting]\r\nUpdate.BeginAuto=0\r\nUpdate.Times=1\r\nTARGET_COUNTRY=US\r\n"
                            "NORMAL_IPS=" +
                                Proxy + "|United States|US|-97.00|38.00;" + Env("MASKADDR_E2E_PROXY_DE") +
                                "|Germany|DE|13.40|52.52;\r\n"),
              "");
    TApp app("-d");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    // The lookup answered (the ready text alone comes at start-up too, before it).
    ASSERT_TRUE(WaitForText(trace, "|127.0.0.1|Germany|Berlin|"));

    // "Choose IP Country", "Germany", OK.
    Sleep(1100);
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(ids::btnChooseIP, BN_CLICKED), 0);
    HWND chooser = VisibleChooser();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(WaitForText(trace, "First map drawn"));
    ASSERT_TRUE(ChooseInList(chooser, L"Germany"));
    ASSERT_TRUE(WaitForText(trace, "country DE marker")) << "the map of Germany";
    // Germany's flag is not shipped here: downloaded into the user data folder as DE.PNG.
    EXPECT_TRUE(PumpUntil([&] { return TFileSystemWin().FileExists(flag); }, 15000));
    const std::string serviceLog = Env("MASKADDR_E2E_SERVICE_LOG");
    EXPECT_TRUE(PumpUntil(
        [&] { return ReadText(serviceLog).find("GET /flags/DE.png 200") != std::string::npos; }, 10000))
        << ReadText(serviceLog);
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(w, ids::btnHide) == "&Stop Hide"; }, 15000))
        << "the choice hides at once";
    EXPECT_EQ(IniValue(userFile, "setting", "TARGET_COUNTRY"), "DE");
    EXPECT_EQ(QuerySystemProxy().Server, Env("MASKADDR_E2E_PROXY_DE"));
    EXPECT_EQ(SeenAddress(), "127.0.0.3") << "the check-IP page sees the German proxy";

    // The next opening finds the flag locally; F5 and Backspace in the map change nothing.
    const size_t downloads = Count(ReadText(serviceLog), "GET /flags/DE.png");
    Sleep(1100);
    PostMessageW(w, WM_COMMAND, ids::actChooseIPCountry, 0);
    chooser = VisibleChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Count(ReadText(trace), "Map drawn:") >= 3; }, 10000));
    HWND map = GetWindow(GetDlgItem(chooser, TfrmChooseIPCountry::idPanel), GW_CHILD);
    ASSERT_NE(map, nullptr);
    const size_t drawn = Count(ReadText(trace), "Map drawn:");
    for (WPARAM key : {WPARAM(VK_F5), WPARAM(VK_BACK)}) {
        PostMessageW(map, WM_KEYDOWN, key, 1);
        PostMessageW(map, WM_KEYUP, key, 0xC0000001);
    }
    Sleep(1000); // a reload draws in stages, each a turn of the chooser's loop
    EXPECT_EQ(Count(ReadText(trace), "Map drawn:"), drawn) << "no reload, no going back";
    EXPECT_EQ(Count(ReadText(serviceLog), "GET /flags/DE.png"), downloads) << "found locally";
    // Once the program answers again, Cancel's command has returned.
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(chooser); }, 10000));
    ASSERT_EQ(app.Ready(), w);
    EXPECT_EQ(QuerySystemProxy().Server, Env("MASKADDR_E2E_PROXY_DE")) << "Cancel changes nothing";
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_EQ(SeenAddress(), "127.0.0.1");
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
    ASSERT_TRUE(PumpUntil([&] { return text(testingIds::lblInfo).find(" of 3 ") != std::string::npos; }, 40000))
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
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(testing); }, 10000));
    EXPECT_EQ(app.Exit(app.Window()), 0);
}
