// The web banner's choice of address, its cache files and downloads, and its links;
// the start-up picture's choice.
#include "framework/engine/WebBanner.h"
#include "app/AppSettings.h"
#include "fakes/FakeEmbeddedBrowser.h"
#include "fakes/FakeEngineHost.h"
#include "fakes/FakePlatform.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/Splash.h"
#include "framework/threads/WorkerThreads.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const std::string kApp = "C:\\Tools\\App\\";

// A banner named "Top" in a program whose constants hold the lines; cached copies are
// put in the banner cache by the address they stand for.
struct TBannerRun {
    TFakePlatform P;
    TFakeEngineHost Host;
    TFakeEmbeddedBrowser Browser;
    std::unique_ptr<TCLEngine> E;
    std::unique_ptr<TCLWebBanner> Banner;

    TBannerRun(const std::string& lines, const std::vector<std::string>& cached = {}) {
        P.Files.Put(kApp + "const.dat", "[setting]\nURL.help=http://127.0.0.1:8080/help\n" + lines);
        E = std::make_unique<TCLEngine>(nullptr, Host, P.Facilities, Settings());
        for (const std::string& url : cached)
            P.Files.Put(Cache(url), "cached page");
    }
    // The banner is placed in its window: it shows its page at once.
    TCLWebBanner& Place() {
        Banner = std::make_unique<TCLWebBanner>(nullptr, Browser, *E, P.Files, Settings());
        Banner->SetBannerName("Top");
        Banner->Loaded();
        return *Banner;
    }
    std::string Cache(const std::string& url) const {
        return TCLWebBanner::GetCacheFileName(TCLWebBanner::CacheFolder(Settings()), url);
    }
    // The transfers that the banner's downloads made, once they have ended and handed
    // their files over.
    std::vector<std::string> Downloads() {
        EXPECT_TRUE(WorkerThreads::JoinAll(std::chrono::seconds(10)));
        P.Ui.Pump(SIZE_MAX, std::chrono::milliseconds(0));
        return P.Inet.Requests();
    }
};

} // namespace

TEST(SplashTest, DistributorPictureWinsOverTheShippedOne) {
    struct Case {
        std::vector<std::string> present;
        std::string chosen;
    };
    const Case cases[] = {
        {{"oem.splash.png", "res\\images\\splash.png"}, "oem.splash.png"},
        {{"res\\images\\splash.png"}, "res\\images\\splash.png"},
        {{"OEM.Splash.PNG"}, "oem.splash.png"},
        {{"res\\images\\other.png"}, ""},
    };
    for (const Case& c : cases) {
        TFakePlatform p;
        for (const std::string& file : c.present)
            p.Files.Put(kApp + file, "png");
        EXPECT_EQ(ChooseSplashPicture(p.Files, kApp), c.chosen.empty() ? "" : kApp + c.chosen)
            << c.present.front();
    }
}

TEST(WebBannerTest, CacheFileNamesLoseTheAddressSeparators) {
    TFakePlatform p;
    const std::string folder = "C:\\Data\\Banners";
    EXPECT_EQ(TCLWebBanner::GetCacheFileName(folder, "http://127.0.0.1:8080/b/top.html?x=1&y=2"),
              "C:\\Data\\Banners\\http___127.0.0.1_8080_b_top.html_x_1_y_2");
    EXPECT_EQ(TCLWebBanner::GetCacheFileName(folder, "http://h/p?a=1&b=2"),
              TCLWebBanner::GetCacheFileName(folder, "http://h/p&a?1=b=2"))
        << "addresses that differ only in those characters share one file";
    EXPECT_EQ(TCLWebBanner::GetCacheFileName(folder, "..\\..\\x"), "C:\\Data\\Banners\\.._.._x")
        << "no address reaches outside the cache folder";
}

TEST(WebBannerTest, AddressChoice) {
    const std::string a = "http://127.0.0.1:8080/a.html", b = "http://127.0.0.1:8080/b.html";
    struct Case {
        const char* what;
        std::string lines;
        std::vector<std::string> cached;
        std::string shown;                   // a cache file when it names a remote address
        std::vector<std::string> downloaded; // the transfers made
    };
    const Case cases[] = {
        {"nothing set", "", {}, "", {}},
        {"a direct address under the program folder, any letter case",
         "Banner.Top.URL=%ExePath%\\res\\b.html?from=%EXEPATH%\n",
         {},
         kApp + "res\\b.html?from=C:\\Tools\\App",
         {}},
        {"the preferred direct address first",
         "Banner.Top.URLA=http://x/1\nBanner.Top.URL=http://x/2\n",
         {},
         "http://x/1",
         {}},
        {"a second remote address without its copy: the direct one, and a download",
         "Banner.Top.RemoteURL=" + a + "\nBanner.Top.URL=http://x/2\n",
         {},
         "http://x/2",
         {"GET 127.0.0.1:8080/a.html"}},
        {"a second remote copy wins even over the preferred direct address",
         "Banner.Top.RemoteURL=" + a + "\nBanner.Top.URLA=http://x/1\n",
         {a},
         a,
         {}},
        {"a preferred remote address without its copy hides the second remote address",
         "Banner.Top.RemoteURLA=" + b + "\nBanner.Top.URLA=http://x/1\nBanner.Top.RemoteURL=" + a + "\n",
         {a},
         "http://x/1",
         {"GET 127.0.0.1:8080/b.html"}},
        {"the preferred remote copy",
         "Banner.Top.RemoteURLA=" + b + "\nBanner.Top.RemoteURL=" + a + "\n",
         {a, b},
         b,
         {}},
    };
    for (const Case& c : cases) {
        TBannerRun run(c.lines, c.cached);
        run.Place();
        const std::string expected = c.shown.rfind("http://127", 0) == 0 ? run.Cache(c.shown) : c.shown;
        EXPECT_EQ(run.Browser.Navigated, std::vector<std::string>{expected}) << c.what;
        EXPECT_EQ(run.Banner->URL(), expected) << c.what;
        EXPECT_EQ(run.Downloads(), c.downloaded) << c.what;
    }
}

TEST(WebBannerTest, ARemoteBannerShowsItsCopyOnceFetchedAndFetchesNoMore) {
    const std::string remote = "http://127.0.0.1:8080/banner?id=1";
    TBannerRun run("Banner.Top.RemoteURL=" + remote + "\nBanner.Top.URL=%exepath%\\res\\banner.html\n");
    run.P.Inet.SetReply("127.0.0.1:8080/banner", {200, true, "<html>fresh</html>"});
    run.P.Inet.Hold();
    run.Place().UpdateBanner(); // a second update while the first download runs starts none
    EXPECT_EQ(run.Browser.Navigated, (std::vector<std::string>(2, kApp + "res\\banner.html")));
    run.P.Inet.Release();
    EXPECT_EQ(run.Downloads().size(), 1u);
    EXPECT_EQ(run.P.Files.Get(run.Cache(remote)), "<html>fresh</html>");

    run.Banner->UpdateBanner();
    EXPECT_EQ(run.Browser.Navigated.back(), run.Cache(remote));
    EXPECT_EQ(run.Downloads().size(), 1u);
}

TEST(WebBannerTest, LinksPassTheEnginesHandlingFirst) {
    TBannerRun run("");
    run.Place();
    std::vector<std::string> seen;
    run.Banner->OnUserBeforeNavigate2 = [&](const std::string& url, bool& cancel) {
        seen.push_back(url + (cancel ? " cancelled" : ""));
    };
    EXPECT_TRUE(run.Browser.Click("wcme:open?PAGE=help"));
    EXPECT_FALSE(run.Browser.Click("http://127.0.0.1:8080/next"));
    EXPECT_EQ(seen,
              (std::vector<std::string>{"wcme:open?PAGE=help cancelled", "http://127.0.0.1:8080/next"}));
    ASSERT_EQ(run.Host.Opened.size() + run.Host.Started.size(), 1u) << "the help page opened once";
}
