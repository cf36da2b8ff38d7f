// The country chooser under Wine: its window in this process (controls, the map drawn and
// checked by its pixels, the gauge, the key filter, language and skin, a screenshot), and
// the real maskaddr.exe driven through its windows (the three ways into the chooser, a
// choice with OK and the hide through the chosen country's proxy, Cancel).
#include "ProgramTest.h"
#include "Screenshot.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "app/MainIds.h"
#include "fakes/FakeEngineHost.h"
#include "framework/engine/CLEngine.h"
#include "framework/engine/Skin.h"
#include "framework/language/CLMultiLang.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"
#include "proxy/ProxyManager.h"
#include "ui/WorldMap.h"
#include "ui/win32/ChooseIPCountryForm.h"

#include <commctrl.h>
#include <wininet.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The pixels of a window as the screen shows them.
struct TCapture {
    int W = 0, H = 0;
    std::vector<RGBQUAD> Pixels;
    explicit TCapture(HWND window) : Pixels(CapturePixels(window, W, H)) {}
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= W || y >= H) return 0xFFFFFFFF;
        const RGBQUAD& p = Pixels[static_cast<size_t>(y) * W + x];
        return static_cast<uint32_t>(p.rgbRed) << 16 | p.rgbGreen << 8 | p.rgbBlue;
    }
    // The share of all pixels that are near the colour.
    double Share(uint32_t rgb) const {
        size_t n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                n += Near(At(x, y), rgb) ? 1 : 0;
        return Pixels.empty() ? 0 : static_cast<double>(n) / Pixels.size();
    }
    // Whether a pixel within `radius` of (x, y) is near the colour.
    bool Around(int x, int y, int radius, uint32_t rgb) const {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (Near(At(x + dx, y + dy), rgb)) return true;
        return false;
    }
    static bool Near(uint32_t a, uint32_t b) {
        auto d = [](uint32_t x, uint32_t y, int shift) {
            return std::abs(static_cast<int>((x >> shift) & 0xFF) - static_cast<int>((y >> shift) & 0xFF));
        };
        return d(a, b, 16) <= 8 && d(a, b, 8) <= 8 && d(a, b, 0) <= 8;
    }
};

constexpr uint32_t kSea = 0xA9CDE6, kLand = 0xF3EFE4, kHighlight = 0xF6B26B, kMarker = 0xD7261E;

// A pool of three countries and the user's own information (Canberra), with the engine
// whose lists the settings consult; the chooser in a window of this process.
class ChooserFormTest : public ::testing::Test {
protected:
    const TPlatform Facilities = Win32Platform();
    TFakeEngineHost Host;
    std::unique_ptr<TCLEngine> E;
    TWin32Form Owner{nullptr, "frmChooserOwner", "TfrmChooserOwner"};
    std::unique_ptr<TProxyManager> Pool;
    const TClosedPort FlagServer{"127.0.0.1"}; // refuses: the flags come from the program's folder

    void SetUp() override {
        SetPlatform(Facilities); // the settings store is made from it
        E = std::make_unique<TCLEngine>(nullptr, Host, Facilities, Settings());
        E->SetSettingOverwrite(
            {"NORMAL_IPS=127.0.0.3:8889|Germany|DE|13.40|52.52;127.0.0.4:8889|France|FR|2.35|"
             "48.86;127.0.0.2:8888|United States|US|-97.00|38.00;",
             "URL.FlagPath=http://" + FlagServer.Address() + "/flags/", "URL.MapMask="});
        Pool = std::make_unique<TProxyManager>(Facilities, Settings());
        ASSERT_TRUE(Pool->LoadSettings());
        Pool->HandleLocalInfo(
            "IP=127.0.0.1\nCOUNTRY_SHORT=AU\nCOUNTRY_LONG=Australia\nCITY=Canberra\nREGION=ACT\n"
            "-35.28\n149.13\n");
        ASSERT_TRUE(Owner.CreateHandle("Chooser owner", WS_POPUP | WS_CAPTION, 0, 534, 317));
        SetWindowPos(Owner.Handle(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    void TearDown() override {
        Pool.reset();
        E.reset();
        FreeSettings();
    }
    // Shows the chooser without its own modal loop and waits until its map is drawn.
    static bool ShownAndDrawn(TfrmChooseIPCountry& f) {
        ShowWindow(f.Handle(), SW_SHOW);
        SetWindowPos(f.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        const bool drawn = PumpUntil([&] { return f.Map()->Drawn(); }, 5000);
        UpdateWindow(f.Handle());
        PumpFor(200);
        return drawn;
    }
    static std::vector<std::string> Items(HWND form) {
        HWND list = GetDlgItem(form, TfrmChooseIPCountry::idCountry);
        std::vector<std::string> items;
        const int n = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[128] = {};
            SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(ToUtf8(text));
        }
        return items;
    }
    // As the user's choice: the selection, then the list's notification.
    static void Choose(TfrmChooseIPCountry& f, int index) {
        HWND list = GetDlgItem(f.Handle(), TfrmChooseIPCountry::idCountry);
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(TfrmChooseIPCountry::idCountry, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
};

} // namespace


// A screen reader finds a name for every control: captions, the list by its label, the flag by
// its country, the map by what it shows.
TEST_F(ChooserFormTest, EveryControlHasAnAccessibleName) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    Pool->SetTargetCountry("DE");
    TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
    ASSERT_NE(f.Handle(), nullptr);
    ShowWindow(f.Handle(), SW_SHOW);
    PumpFor(200);
    EXPECT_EQ(UnnamedControls(f.Handle()), std::vector<std::string>{});
    CoUninitialize();
}

TEST_F(ChooserFormTest, OpensWithItsControlsAndTheMapOfTheTargetCountry) {
    Pool->SetTargetCountry("DE");
    TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
    ASSERT_NE(f.Handle(), nullptr);
    RECT client{};
    GetClientRect(f.Handle(), &client);
    EXPECT_EQ(client.right, 451);
    EXPECT_EQ(client.bottom, 450);
    EXPECT_EQ(GetWindow(f.Handle(), GW_OWNER), Owner.Handle()) << "owned by the main window";
    wchar_t caption[64] = {};
    GetWindowTextW(f.Handle(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Choose IP Country");
    EXPECT_EQ(Items(f.Handle()),
              (std::vector<std::string>{"- Auto Selected -", "Germany", "France", "United States"}));
    EXPECT_EQ(SendMessageW(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idCountry), CB_GETCURSEL, 0, 0), 1);
    RECT panel{};
    GetWindowRect(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idPanel), &panel);
    EXPECT_EQ(panel.right - panel.left, 417);
    EXPECT_EQ(panel.bottom - panel.top, 345);
    EXPECT_EQ(f.Map()->Document().Width, 447) << "the template received the panel's size plus 30";
    EXPECT_EQ(f.Map()->Document().Height, 375);

    ASSERT_TRUE(ShownAndDrawn(f));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idGauge)))
        << "done: the gauge hides";
    EXPECT_EQ(f.Map()->HighlightedCountry(), "DE");
    EXPECT_NE(
        SendMessageW(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idFlag), STM_GETIMAGE, IMAGE_BITMAP, 0), 0)
        << "the shipped flag";

    // The map by its pixels: sea, land and Germany in their colours, the marker where the
    // projection puts Berlin (the centre of the map, so of the panel), Paris on plain land.
    HWND map = f.Map()->Handle();
    TCapture pixels(map);
    ASSERT_GT(pixels.W, 0);
    EXPECT_GT(pixels.Share(kSea), 0.05) << "sea";
    EXPECT_GT(pixels.Share(kLand), 0.10) << "land";
    EXPECT_GT(pixels.Share(kHighlight), 0.01) << "the highlighted country";
    RECT mapClient{};
    GetClientRect(map, &mapClient);
    const POINT berlin = f.Map()->ClientPoint(13.40, 52.52);
    EXPECT_NEAR(berlin.x, mapClient.right / 2.0, 1.0);
    EXPECT_NEAR(berlin.y, mapClient.bottom / 2.0, 1.0);
    EXPECT_TRUE(pixels.Around(berlin.x, berlin.y, 2, kMarker)) << "the marker at the centre";
    const TMapProjection projection(13.40, 52.52, 4, 447, 375);
    const TGeoPoint paris = projection.ToView(2.35, 48.86);
    const int px = static_cast<int>(std::lround(paris.Lon - (447 - mapClient.right) / 2.0));
    const int py = static_cast<int>(std::lround(paris.Lat - (375 - mapClient.bottom) / 2.0));
    EXPECT_TRUE(pixels.Around(px, py, 1, kLand)) << "Paris on plain land at " << px << "," << py;
    EXPECT_FALSE(pixels.Around(px, py, 3, kMarker));
    const TGeoPoint atlantic = projection.ToView(-8.0, 47.0); // Bay of Biscay, off Brittany
    EXPECT_TRUE(
        pixels.Around(static_cast<int>(atlantic.Lon - 15), static_cast<int>(atlantic.Lat - 15), 1, kSea));
    TCapture whole(f.Handle());
    EXPECT_GT(whole.Share(kSea), 0.03) << "the dialog on the screen shows its map";
    SaveScreenshot(f.Handle(), "country-chooser");
}

TEST_F(ChooserFormTest, AutoShowsTheOwnLocationAndAChoiceMovesTheMap) {
    Pool->SetTargetCountry("UN");
    TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
    ASSERT_TRUE(ShownAndDrawn(f));
    EXPECT_EQ(SendMessageW(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idCountry), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(f.Map()->HighlightedCountry(), "AU") << "Canberra, from the lookup's sixth and seventh lines";

    // While the map loads, the gauge shows.
    std::vector<std::pair<int, int>> progress;
    auto previous = f.Map()->OnProgressChange;
    f.Map()->OnProgressChange = [&](TMapView* s, int p, int m) {
        progress.emplace_back(p, m);
        const bool gauge = IsWindowVisible(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idGauge)) != FALSE;
        previous(s, p, m);
        const bool after = IsWindowVisible(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idGauge)) != FALSE;
        EXPECT_EQ(after, p != m) << "gauge before: " << gauge;
    };
    Choose(f, 3);
    ASSERT_TRUE(PumpUntil([&] { return f.Map()->Drawn(); }, 5000));
    EXPECT_EQ(f.Map()->HighlightedCountry(), "US");
    ASSERT_GE(progress.size(), 2u);
    EXPECT_NE(progress.front().first, progress.front().second);
    EXPECT_EQ(progress.back(), std::make_pair(100, 100));
}

TEST_F(ChooserFormTest, F5AndBackspaceInTheMapChangeNothing) {
    Pool->SetTargetCountry("FR");
    TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
    ASSERT_TRUE(ShownAndDrawn(f));
    Choose(f, 1); // Germany: the map has a previous document now
    ASSERT_TRUE(PumpUntil([&] { return f.Map()->Drawn(); }, 5000));
    PumpFor(100);
    const int draws = f.Map()->DrawCount();
    HWND map = f.Map()->Handle();
    SetFocus(map);
    for (WPARAM key : {WPARAM(VK_F5), WPARAM(VK_BACK), WPARAM(VK_SHIFT)}) {
        PostMessageW(map, WM_KEYDOWN, key, 1);
        PostMessageW(map, WM_KEYUP, key, 0xC0000001);
    }
    ASSERT_TRUE(DrainMessages()) << "the keys have been served";
    EXPECT_EQ(f.Map()->DrawCount(), draws) << "no reload";
    EXPECT_EQ(f.Map()->HighlightedCountry(), "DE") << "no going back to France";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(f.Handle(), TfrmChooseIPCountry::idGauge)));

    // What the filter keeps from the map: the map itself would reload and go back.
    auto mapProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(map, GCLP_WNDPROC));
    ASSERT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(map, GWLP_WNDPROC)), mapProc)
        << "the filter is in front";
    CallWindowProcW(mapProc, map, WM_KEYDOWN, VK_BACK, 1);
    ASSERT_TRUE(PumpUntil([&] { return f.Map()->Drawn(); }, 5000));
    EXPECT_EQ(f.Map()->HighlightedCountry(), "FR");
}

TEST_F(ChooserFormTest, TranslatedAndSkinnedLikeEveryWindow) {
    TCLMultiLangData texts(nullptr, "CLMultiLangData");
    texts.SetCurrentData({"[TfrmChooseIPCountry]", "frmChooseIPCountry.Caption=Pays de l'adresse",
                          "lblCountry.Caption=Pays", "btnOK.Caption=&Valider", "btnCancel.Caption=&Annuler"});
    TSkinData skin(nullptr, "spSkinData");
    skin.SetStoredSkin(TSkin::Parse("[Skin]\nName=Test\n[Colors]\nWindow=#204060\nWindowText=#FFFFFF\n"));
    E->SetLanguageData(&texts);
    E->SetSkinData(&skin);
    Pool->SetTargetCountry("DE");
    {
        TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
        ASSERT_TRUE(ShownAndDrawn(f));
        const std::string all = DialogText(f.Handle());
        EXPECT_NE(all.find("Pays de l'adresse"), std::string::npos) << all;
        EXPECT_NE(all.find("&Valider"), std::string::npos) << all;
        EXPECT_NE(all.find("&Annuler"), std::string::npos) << all;
        TCapture pixels(f.Handle());
        EXPECT_GT(pixels.Share(0x204060), 0.05) << "the skin's window colour";
    }
    E->SetLanguageData(nullptr);
    E->SetSkinData(nullptr);
}

TEST_F(ChooserFormTest, OkStoresTheChoiceAndClosesCancelStoresNothing) {
    Pool->SetTargetCountry("FR");
    {
        TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
        PostMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_EQ(f.Execute(), mr::Cancel);
    }
    EXPECT_EQ(Pool->TargetCountry(), "FR");
    {
        TfrmChooseIPCountry f(Owner.Handle(), *Pool, *E, Facilities, Settings(), E->FormData());
        Choose(f, 1);
        PostMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(f.Execute(), mr::OK);
    }
    EXPECT_EQ(Pool->TargetCountry(), "DE");
    EXPECT_EQ(Settings().GetSettingString("TARGET_COUNTRY"), "DE");
}

// ---- the real program ----

namespace {

// The lookup places the user in Canberra; two proxies, the target the United States.
class ChooserProgramTest : public TProgramTest {
protected:
    void SetUp() override {
        TProgramTest::SetUp();
        Service.SetReply("/getinfo",
                         {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=AU\r\nCOUNTRY_LONG=Australia\r\nCITY=Canberra"
                               "\r\nREGION=ACT\r\n-35.28\r\n149.13\r\n"});
        WriteUserFile("Update.Times=1\r\nSWITCH.IE=1\r\nTARGET_COUNTRY=US\r\n"
                      "NORMAL_IPS=" + Entry(ProxyA, "United States|US|-97.00|38.00") +
                      Entry(ProxyB, "Germany|DE|13.40|52.52") + "\r\n");
    }
    bool Gone(HWND w) const {
        return PumpUntil([w] { return !IsWindow(w) || !IsWindowVisible(w); }, 10000);
    }
};

} // namespace

TEST_F(ChooserProgramTest, TheThreeWaysInAndAChoiceThatHidesThroughTheChosenCountry) {
    TBuiltApp app("-d");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);
    // The lookup answered (the ready text alone comes at start-up too, before it).
    ASSERT_TRUE(WaitForText(Trace, "|127.0.0.1|Australia|Canberra|")) << "the lookup answered";

    // The button, the tray item and the flag each open the chooser; Cancel changes nothing.
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"btnChooseIP",
         [w] {
             PostMessageW(w, WM_COMMAND, MAKEWPARAM(ids::btnChooseIP, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(w, ids::btnChooseIP)));
         }},
        {"tray item ChooseIPCountry1", [w] { PostMessageW(w, WM_COMMAND, ids::actChooseIPCountry, 0); }},
        {"imgFL",
         [w] {
             PostMessageW(w, WM_COMMAND, MAKEWPARAM(ids::imgFL, STN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(w, ids::imgFL)));
         }},
    };
    for (const auto& [way, open] : ways) {
        SCOPED_TRACE(way);
        open();
        HWND chooser = app.WaitForWindow("TfrmChooseIPCountry", 10000);
        ASSERT_NE(chooser, nullptr) << Fs.ReadFile(Trace).value_or("");
        EXPECT_EQ(GetWindow(chooser, GW_OWNER), w);
        EXPECT_FALSE(IsWindowEnabled(w)) << "modal";
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ASSERT_TRUE(Gone(chooser));
        EXPECT_TRUE(PumpUntil([w] { return IsWindowEnabled(w) != FALSE; }, 5000));
    }
    EXPECT_EQ(ControlText(w, ids::btnHide), "&Maskaddr") << "Cancel: no hide";
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "TARGET_COUNTRY"), "US");

    // Germany, OK: stored, shown, and hidden behind the German proxy at once.
    Sleep(1100);
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(ids::btnChooseIP, BN_CLICKED), 0);
    HWND chooser = app.WaitForWindow("TfrmChooseIPCountry", 10000);
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(WaitForText(Trace, "First map drawn"));
    HWND list = GetDlgItem(chooser, TfrmChooseIPCountry::idCountry);
    const LRESULT germany =
        SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Germany"));
    ASSERT_GT(germany, 0);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(germany), 0);
    SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(TfrmChooseIPCountry::idCountry, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(WaitForText(Trace, "country DE marker"));
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(Gone(chooser));
    EXPECT_TRUE(PumpUntil([w] { return ControlText(w, ids::btnHide) == "&Stop Hide"; }, 10000)) << "hiding at once";
    EXPECT_EQ(QuerySystemProxy().Server, ProxyB.Address()) << "through the German proxy";
    EXPECT_EQ(IniValue(TBuiltApp::UserFile(), "setting", "TARGET_COUNTRY"), "DE");
    EXPECT_EQ(ControlText(w, ids::lblIPCountry), "Germany");
    EXPECT_EQ(app.Exit(w), 0);
    EXPECT_EQ(QuerySystemProxy().Flags, static_cast<DWORD>(PROXY_TYPE_DIRECT));
    // The maps were drawn without the network: the update at start-up, the lookup (and flags)
    // are all that was asked.
    for (const std::string& head : Service.Requests()) {
        const std::string line = head.substr(0, head.find('\r'));
        EXPECT_TRUE(line.rfind("GET /update?", 0) == 0 || line.rfind("GET /getinfo", 0) == 0 ||
                    line.rfind("GET /flags/", 0) == 0)
            << line;
    }
}
