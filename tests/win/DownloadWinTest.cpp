// The download worker and the update check against real WinINet, a server of the
// test's own on 127.0.0.1 and (for the system-proxy case) the run's tinyproxy.
#include "PoolWinSupport.h"
#include "Screenshot.h"
#include "TestHttpServer.h"
#include "UpdateSigning.h"
#include "WinTestUtil.h"
#include "app/AppSettings.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/SingleDownloader.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/language/CLMultiLang.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/win32/WinText.h"
#include "ui/win32/EngineHostWin.h"
#include "ui/win32/Win32Form.h"

#include <wininet.h>

#include <thread>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

struct TEvents {
    std::vector<std::string> Log;
    std::vector<DWORD> ProgressThreads;
    int64_t LastTotal = -1, LastRead = -1;
    void Attach(TSingleDownloader& d) {
        d.OnDoneFile = [this](TSingleDownloader*, const std::string& f, int64_t size) {
            Log.push_back("file " + f + " " + std::to_string(size));
        };
        d.OnDoneString = [this](TSingleDownloader*, const std::string& s) { Log.push_back("string " + s); };
        d.OnError = [this](TSingleDownloader*) { Log.push_back("error"); };
        d.OnProgress = [this](void*, int64_t total, int64_t read) {
            ProgressThreads.push_back(GetCurrentThreadId());
            LastTotal = total;
            LastRead = read;
        };
    }
};

class DownloadWinTest : public PoolWinTest {
protected:
    TTestHttpServer Server;
    TScratchFolder Dir;
    TFileSystemWin Fs;
    TEvents Events;
    bool Finished(size_t count = 1) {
        return PumpUntil([&] { return Events.Log.size() >= count; }, 20000);
    }
};

} // namespace

TEST_F(DownloadWinTest, FileAndStringDownloadsReportOnTheUserInterfaceThread) {
    std::string big(40000, 'x');
    for (size_t i = 0; i < big.size(); i += 97)
        big[i] = static_cast<char>('a' + i % 26);
    Server.SetReply("/big", {200, big});
    Server.SetReply("/text", {200, "caf\xE9"});
    TSingleDownloader d(nullptr, Facilities);
    Events.Attach(d);
    d.URL = Server.Url("/big");
    d.FileName = Dir / "sub\\big.bin";
    d.BinaryData = true;
    d.GetFile();
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Events.Log[0], "file " + Dir / "sub\\big.bin" + " 40000");
    EXPECT_EQ(Fs.ReadFile(Dir / "sub\\big.bin"), big);
    EXPECT_GE(Events.ProgressThreads.size(), 3u) << "one per 16384-byte block";
    for (DWORD t : Events.ProgressThreads)
        EXPECT_EQ(t, GetCurrentThreadId());
    EXPECT_EQ(Events.LastTotal, 40000);
    EXPECT_EQ(Events.LastRead, 40000);

    d.URL = Server.Url("/text");
    d.GetString();
    ASSERT_TRUE(Finished(2));
    if (GetACP() == 1252) {
        EXPECT_EQ(Events.Log[1], "string caf\xC3\xA9") << "ANSI by default";
    }
    d.HttpCharset = KUTF8;
    Server.SetReply("/text", {200, "caf\xC3\xA9"});
    d.GetString();
    ASSERT_TRUE(Finished(3));
    EXPECT_EQ(Events.Log[2], "string caf\xC3\xA9");
}

TEST_F(DownloadWinTest, FailuresNeverReplaceAGoodFile) {
    const std::string dest = Dir / "flag.png";
    ASSERT_EQ(Fs.WriteFileAtomic(dest, "good picture"), "");
    Server.SetReply("/missing", {404, "<html>not here</html>"});
    Server.SetReply("/short", {200, "only a little", true, 5000, 0});
    Server.SetReply("/nolength", {200, "body", false, -1, 0});
    Server.SetReply("/empty", {200, ""});
    TSingleDownloader d(nullptr, Facilities);
    Events.Attach(d);
    d.FileName = dest;
    struct Case {
        const char* path;
        bool binary, toFile;
        const char* outcome;
    };
    const Case cases[] = {{"/missing", false, true, "error"},         {"/short", false, true, "error"},
                          {"/nolength", true, true, "error"},         {"/nolength", false, true, "error"},
                          {"/nolength", false, false, "string body"}, {"/empty", false, false, "error"}};
    for (const Case& c : cases) {
        Events.Log.clear();
        d.URL = Server.Url(c.path);
        d.BinaryData = c.binary;
        c.toFile ? d.GetFile() : d.GetString();
        ASSERT_TRUE(Finished()) << c.path;
        EXPECT_EQ(Events.Log[0], c.outcome) << c.path << " binary=" << c.binary;
        EXPECT_EQ(Fs.ReadFile(dest), "good picture") << c.path;
    }
    Events.Log.clear();
    const TClosedPort refusing("127.0.0.1");
    d.URL = "http://" + refusing.Address() + "/";
    d.GetString();
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Events.Log[0], "error");
}

TEST_F(DownloadWinTest, OneTransferAtATimeAndAbortIsSilent) {
    Server.SetReply("/slow", {200, "slow body", true, -1, 800});
    auto d = std::make_unique<TSingleDownloader>(nullptr, Facilities);
    Events.Attach(*d);
    d->URL = Server.Url("/slow");
    d->FileName = Dir / "slow.txt";
    d->GetFile();
    d->GetFile(); // ignored: a transfer is running
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Server.Requests().size(), 1u);

    d->GetString();
    ASSERT_TRUE(Server.WaitForRequests(2, 10000));
    d->Abort();
    d.reset();
    ASSERT_TRUE(WorkersSettled());
    EXPECT_EQ(Events.Log.size(), 1u) << "no event after Abort";
}

TEST_F(DownloadWinTest, WaitThreadReturnsAfterTheTransfer) {
    Server.SetReply("/w", {200, "waited", true, -1, 300});
    TSingleDownloader d(nullptr, Facilities);
    Events.Attach(d);
    d.URL = Server.Url("/w");
    d.WaitThread = true;
    d.GetString();
    EXPECT_FALSE(d.Busy());
    ASSERT_EQ(Events.Log.size(), 1u) << "the event was delivered inside the wait";
    EXPECT_EQ(Events.Log[0], "string waited");
}

TEST_F(DownloadWinTest, DownloadsFollowTheSystemProxy) {
    const char* port = std::getenv("MASKADDR_TEST_PROXY_PORT");
    ASSERT_NE(port, nullptr) << "run through tests/win/with-tinyproxy";
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    std::wstring server = ToWide(std::string("127.0.0.1:") + port);
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[0].Value.dwValue = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[1].Value.pszValue = server.data();
    INTERNET_PER_CONN_OPTION_LISTW list{sizeof list, nullptr, 2, 0, options};
    ASSERT_TRUE(InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list));
    Server.SetReply("/p", {200, "through"});
    TSingleDownloader d(nullptr, Facilities);
    Events.Attach(d);
    d.URL = Server.Url("/p");
    d.GetString();
    bool done = Finished();
    options[0].Value.dwValue = PROXY_TYPE_DIRECT; // back to a direct connection, whatever happened
    InternetSetOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof list);
    ASSERT_TRUE(done);
    EXPECT_EQ(Events.Log[0], "string through");
    ASSERT_EQ(Server.Requests().size(), 1u);
    EXPECT_NE(Server.Requests()[0].find("maskaddr-test-proxy"), std::string::npos) << Server.Requests()[0];
}

// Servers that accept and then answer nothing, or a byte a second: each transfer ends as failed
// at its deadline, the destination keeps its file, and no temporary file is left. Where WinINet
// waits for the next byte (silence, a slow body) the worker's own waits end by the deadline too;
// a head that trickles in keeps WinINet's call going (under Wine nothing cuts it), so there the
// watch ends the transfer and the worker ends once the server has gone.
TEST_F(DownloadWinTest, SlowServersEndAtTheDeadline) {
    const std::string dest = Dir / "flag.png", temps = Fs.KnownFolder(TKnownFolder::Temp) + "\\sg*.tmp";
    ASSERT_EQ(Fs.WriteFileAtomic(dest, "good picture"), "");
    const std::vector<std::string> tempsBefore = Fs.FindEntries(temps);
    const std::string body(100, 'p');
    const struct {
        const char* Name;
        TTestHttpServer::TReply Reply;
        bool WorkerEndsByItself;
    } cases[] = {
        {"silent", {200, body, true, -1, 0, true}, true},
        {"head a byte a second", {200, body, true, -1, 0, false, 1000, true}, false},
        {"body a byte a second", {200, body, true, -1, 0, false, 1000, false}, true},
    };
    constexpr int kDeadlineMs = 3000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Events.Log.clear();
        {
            TTestHttpServer slow;
            slow.SetReply("/f", c.Reply);
            TSingleDownloader d(nullptr, Facilities);
            Events.Attach(d);
            d.URL = slow.Url("/f");
            d.FileName = dest;
            d.DeadlineMs = kDeadlineMs;
            const double start = NowMs();
            d.GetFile();
            ASSERT_TRUE(PumpUntil([&] { return !Events.Log.empty(); }, kDeadlineMs + 10000));
            const double elapsed = NowMs() - start;
            EXPECT_EQ(Events.Log, std::vector<std::string>{"error"});
            EXPECT_GE(elapsed, kDeadlineMs);
            EXPECT_LE(elapsed, kDeadlineMs + 1000);
            if (c.WorkerEndsByItself) {
                EXPECT_TRUE(WorkerThreads::JoinAll(std::chrono::seconds(1)));
            }
        }
        ASSERT_TRUE(WorkerThreads::JoinAll(std::chrono::seconds(10))) << "the worker ends with the server";
        EXPECT_EQ(Fs.ReadFile(dest), "good picture");
        EXPECT_EQ(Fs.FindEntries(temps), tempsBefore);
    }
}

namespace {

// The engine on a hidden main window, with update windows of the real kind.
class UpdateWinTest : public DownloadWinTest {
protected:
    TEngineHostWin Host;
    TWin32Form Form{nullptr, "frmUpdateTest", "TfrmUpdateTest"};
    TCLEngine* E = nullptr;
    void SetUp() override {
        DownloadWinTest::SetUp();
        Form.CreateHandle("Update test", WS_OVERLAPPEDWINDOW, 0, 400, 300);
        Host.SetOwner(Form.Handle());
        E = new TCLEngine(&Form, Host, Facilities, Settings());
        auto* texts = new TCLMultiLangData(&Form, "CLMultiLangData");
        texts->LoadCurrentFromFile(*Facilities.Files, *Facilities.Ansi,
                                   TestProgramFolder() + "lang\\English.lan");
        E->SetLanguageData(texts);
        Settings().SetLists(&Lists); // the test's settings answer first, not the engine's lists
        Set("App.MagicWord", "Word");
        Set("URL.Update", Server.Url("/update"));
        // The user file outlives a test: every test starts before the first reply.
        for (const char* key : {"Update.Times", "X", "NORMAL_IPS"})
            Settings().SetSettingstring(key, "");
    }
    void TearDown() override {
        delete E;
        DownloadWinTest::TearDown();
    }
    // Runs fn on another thread once a visible window of the class shows, then returns.
    std::thread Drive(const wchar_t* cls, std::function<void(HWND)> fn) {
        return std::thread([cls, fn] {
            if (HWND w = WaitForVisibleWindow(cls, 20000)) {
                Sleep(300); // painted
                fn(w);
            }
        });
    }
};

std::string Text(HWND w, int id) {
    wchar_t b[512] = {};
    GetDlgItemTextW(w, id, b, 512);
    return ToUtf8(b);
}

} // namespace

TEST_F(UpdateWinTest, FirstReplyDeliversTheProxyListsThroughTheStrip) {
    Server.SetReply("/update",
                    {200,
                     ServiceSigned("magicword=WORD\r\n__MODIFY__.NORMAL_IPS=127.0.0.2:8888|Local|LC|0|0;\r\n"
                               "__MODIFY__.URL.GetInfo=http://127.0.0.1/info\r\n"),
                     true, -1, 500});
    bool stripSeen = false;
    std::thread watcher = Drive(L"TfrmCLUpdateForm", [&](HWND w) {
        stripSeen = (GetWindowLongW(w, GWL_STYLE) & WS_CAPTION) != WS_CAPTION;
        SaveScreenshot(w, "update-connecting-strip");
    });
    EXPECT_TRUE(E->AppWaitFirstUpdate());
    watcher.join();
    EXPECT_TRUE(stripSeen) << "the borderless connecting strip";
    EXPECT_EQ(IniValue(Settings().UserDataPath() + "setting.dat", "setting", "NORMAL_IPS"),
              "127.0.0.2:8888|Local|LC|0|0;");
    EXPECT_EQ(IniValue(Settings().UserDataPath() + "setting.dat", "setting", "Update.Times"), "1");
    const std::string request = Server.Requests().at(0);
    EXPECT_NE(request.find("GET /update?ACTION=Update&"), std::string::npos) << request;
    EXPECT_NE(request.find("&RUNTIME="), std::string::npos) << request;
}

TEST_F(UpdateWinTest, CancelAbortsTheStripAndNothingIsWritten) {
    Server.SetReply("/update",
                    {200, ServiceSigned("magicword=Word\r\n__MODIFY__.URL.probe=1\r\n"), true, -1, 3000});
    std::thread canceller = Drive(L"TfrmCLUpdateForm",
                                  [](HWND w) { PostMessageW(w, WM_COMMAND, 108 /* btnCancelProcess */, 0); });
    EXPECT_FALSE(E->AppWaitFirstUpdate());
    canceller.join();
    ASSERT_TRUE(WorkersSettled()) << "a late reply would have arrived by now";
    EXPECT_EQ(Settings().GetSettingString("URL.probe"), "");
    EXPECT_EQ(Settings().GetSettingInteger("Update.Times"), 0);
}

TEST_F(UpdateWinTest, ResultViewsOfTheUsersCheck) {
    struct Case {
        const char* reply;
        bool withCancel;
        const char* info;
    };
    const Case cases[] = {
        {"magicword=word\r\nResult=1\r\ninfo=Version 2 is ready\r\npage=http://127.0.0.1/new\r\n", true,
         "Version 2 is ready"},
        {"magicword=word\r\nResult=1\r\ninfo=Please update\r\n", false, "Please update"},
        {"magicword=word\r\nResult=0\r\n", false, ""}, // the latest version (text from the language file)
        {"magicword=other\r\n", false, ""},            // rejected: the network error text
    };
    int times = 0;
    for (const Case& c : cases) {
        Server.SetReply("/update", {200, ServiceSigned(c.reply)});
        std::string info;
        bool okVisible = false, cancelVisible = false, ok2Visible = false;
        std::thread reader = Drive(L"TfrmCLUpdateForm", [&](HWND w) {
            PumpUntil([w] { return IsWindowVisible(GetDlgItem(w, 106)) || IsWindowVisible(GetDlgItem(w, 104)); },
                      5000);
            Sleep(300); // painted
            info = Text(w, 101);
            okVisible = IsWindowVisible(GetDlgItem(w, 104));
            cancelVisible = IsWindowVisible(GetDlgItem(w, 105));
            ok2Visible = IsWindowVisible(GetDlgItem(w, 106));
            SaveScreenshot(w, c.withCancel ? "update-result-ok-cancel" : "update-result-ok");
            PostMessageW(w, WM_COMMAND, c.withCancel ? 105 : 106, 0); // Cancel, or the single Ok
        });
        E->AppUpdate(true);
        reader.join();
        EXPECT_EQ(okVisible && cancelVisible, c.withCancel) << c.reply;
        EXPECT_EQ(ok2Visible, !c.withCancel) << c.reply;
        if (*c.info != 0) {
            EXPECT_EQ(info, c.info);
        }
        if (std::string(c.reply).find("other") == std::string::npos) ++times;
        EXPECT_EQ(Settings().GetSettingInteger("Update.Times"), times) << c.reply;
    }
}

TEST_F(UpdateWinTest, ARefusedReplyAfterTheStripShowsTheWholeResultView) {
    // A captive portal answers the first contact with a page of its own.
    Server.SetReply("/update",
                    {200, "<html><body>Sign in to the hotel network</body></html>", true, -1, 500});
    RECT client{}, ok{};
    std::string info;
    bool okShown = false;
    std::thread clicker = Drive(L"TfrmCLUpdateForm", [&](HWND w) { // the strip shows first
        HWND button = GetDlgItem(w, 106);
        okShown = PumpUntil([button] { return IsWindowVisible(button) != FALSE; }, 10000);
        Sleep(300); // painted
        GetClientRect(w, &client);
        GetWindowRect(button, &ok);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&ok), 2);
        info = Text(w, 101);
        SaveScreenshot(w, "update-result-after-strip");
        SendMessageW(button, BM_CLICK, 0, 0);
    });
    EXPECT_FALSE(E->AppWaitFirstUpdate()) << "returns once the click has closed the window";
    clicker.join();
    ASSERT_TRUE(okShown);
    EXPECT_TRUE(ok.left >= 0 && ok.top >= 0 && ok.right <= client.right && ok.bottom <= client.bottom)
        << "Ok at " << ok.left << "," << ok.top << "-" << ok.right << "," << ok.bottom
        << " in a client area of " << client.right << " x " << client.bottom;
    EXPECT_EQ(info, E->GetLibString("Update.NetError"));
    EXPECT_EQ(Settings().GetSettingInteger("Update.Times"), 0);
}
