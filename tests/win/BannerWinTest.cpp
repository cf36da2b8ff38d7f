// The web banner in a small window of the test: the system's browser control hosted
// there, its before-navigation event, and a "wcme:" link that is cancelled and opens
// its page in the browser the system names (a stand-in that records its command line).
// The control draws nothing here (no Gecko under this Wine), so no picture is checked.
#include "ProgramDriver.h"
#include "WinTestUtil.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/WebBanner.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WebBrowserWin.h"
#include "ui/win32/EngineHostWin.h"
#include "ui/win32/Win32Form.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// A window that places a banner named "Test": the engine that its links need, the browser
// control in its client area, and the banner driving the control.
class TfrmBannerTest : public TWin32Form {
public:
    TEngineHostWin Host;
    std::unique_ptr<TCLEngine> Engine;
    std::unique_ptr<TWebBrowserWin> Browser;
    std::unique_ptr<TCLWebBanner> Banner;
    std::vector<std::string> Seen; // what the banner's own handler saw, after the engine

    TfrmBannerTest() : TWin32Form(nullptr, "frmBannerTest", "TfrmBannerTest") {
        CreateHandle("Banner test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 480, 120);
        Host.SetOwner(Handle());
        Engine = std::make_unique<TCLEngine>(nullptr, Host, Win32Platform(), Settings());
        Browser = std::make_unique<TWebBrowserWin>(Handle(), RECT{0, 0, 480, 120});
        Banner = std::make_unique<TCLWebBanner>(nullptr, *Browser, *Engine, *Win32Platform().Files, Settings());
        Banner->SetBannerName("Test");
        Banner->OnUserBeforeNavigate2 = [this](const std::string& url, bool& cancel) {
            Seen.push_back(url + (cancel ? " cancelled" : ""));
        };
    }
    ~TfrmBannerTest() override {
        Banner.reset();
        Browser.reset();
        Engine.reset();
        DestroyHandle();
    }
};

class BannerWinTest : public ::testing::Test {
protected:
    TScratchFolder Dir;
    void SetUp() override {
        SetPlatform(Win32Platform()); // the settings store is made from it
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override {
        Settings().SetSettingstring("Banner.Test.URL", ""); // the user file outlives the test
        FreeSettings();
        OleUninitialize();
    }
};

} // namespace

TEST_F(BannerWinTest, TheControlIsCreatedAndALocalPageRaisesTheBeforeNavigationEvent) {
    const std::string page = Dir / "banner.html";
    ASSERT_EQ(TFileSystemWin().WriteFileAtomic(page, "<html><body>Banner</body></html>"), "");
    Settings().SetSettingstring("Banner.Test.URL", page);
    TfrmBannerTest form;
    ASSERT_TRUE(form.Browser->Created());
    EXPECT_NE(FindWindowExW(form.Handle(), nullptr, L"Shell Embedding", nullptr), nullptr)
        << "the control's window in the banner's window";
    form.Banner->Loaded();
    EXPECT_EQ(form.Banner->URL(), page);
    ASSERT_TRUE(PumpUntil([&] { return !form.Seen.empty(); }, 10000)) << "no before-navigation event";
    EXPECT_EQ(form.Seen.front(), page) << "the page's own address, not cancelled";
}

TEST_F(BannerWinTest, AWcmeLinkIsCancelledAndOpensItsPage) {
    const std::string log = Dir / "browser.log";
    SetEnvironmentVariableW(L"MASKADDR_FIREFOX_LOG", ToWide(log).c_str());
    TRegistryWin registry;
    const char* command = "HTTP\\shell\\open\\command";
    const std::optional<std::string> before = registry.ReadString(TRegRoot::ClassesRoot, command, "");
    const std::string browser = TFileSystemWin().LongPath(TestProgramFolder() + "firefox.exe");
    ASSERT_TRUE(registry.WriteString(TRegRoot::ClassesRoot, command, "", "\"" + browser + "\" \"%1\""));
    {
        TfrmBannerTest form;
        ASSERT_TRUE(form.Browser->Created());
        form.Banner->SetBannerName(""); // takes the control's events and shows nothing of its own
        form.Banner->Loaded();
        form.Browser->Navigate("wcme:open?PAGE=help"); // as a link in its page would
        EXPECT_TRUE(PumpUntil([&] { return !form.Seen.empty(); }, 10000));
        EXPECT_EQ(form.Seen, std::vector<std::string>{"wcme:open?PAGE=help cancelled"});
        EXPECT_TRUE(WaitForText(log, "/help?ACTION=help&", 10000)) << "the help page, with its parameters";
    }
    registry.WriteString(TRegRoot::ClassesRoot, command, "", before.value_or(""));
    SetEnvironmentVariableW(L"MASKADDR_FIREFOX_LOG", nullptr);
}
