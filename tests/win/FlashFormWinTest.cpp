// The status overlay as real windows under Wine: placed in a parent's panel, driven
// with the start-up, ready, hide and stop command sequences, photographed, and checked
// by pixel statistics; right clicks, clicks on its elements, and a missing scene file.
#include "Screenshot.h"
#include "WinTestUtil.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "fakes/FakeEngineHost.h"
#include "framework/engine/CLEngine.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"
#include "ui/win32/FlashForm.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// A 24-bit BMP of one colour, as a flag picture.
void WriteFlag(const std::string& path, BYTE r, BYTE g, BYTE b) {
    const int w = 48, h = 32, row = w * 3, size = row * h;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + size;
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    std::string pixels;
    for (int i = 0; i < w * h; ++i)
        pixels += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
    std::ofstream out(path, std::ios::binary); // scratch paths are ASCII
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

// The pixels of a window as the screen shows them.
struct TCapture {
    int W = 0, H = 0;
    std::vector<RGBQUAD> Pixels;
    explicit TCapture(HWND window) : Pixels(CapturePixels(window, W, H)) {}
    // The share of pixels in a scene rectangle (96-dpi units, scaled) that satisfy a test.
    double Share(const TSceneRect& rect, double scale,
                 const std::function<bool(const RGBQUAD&)>& test) const {
        int hits = 0, all = 0;
        for (int y = static_cast<int>(rect.Y * scale); y < static_cast<int>((rect.Y + rect.H) * scale); ++y)
            for (int x = static_cast<int>(rect.X * scale); x < static_cast<int>((rect.X + rect.W) * scale);
                 ++x) {
                if (x < 0 || y < 0 || x >= W || y >= H) continue;
                ++all;
                hits += test(Pixels[static_cast<size_t>(y) * W + x]) ? 1 : 0;
            }
        return all == 0 ? 0 : static_cast<double>(hits) / all;
    }
};

bool White(const RGBQUAD& p) {
    return p.rgbRed >= 250 && p.rgbGreen >= 250 && p.rgbBlue >= 250;
}
bool Dark(const RGBQUAD& p) {
    return p.rgbRed + p.rgbGreen + p.rgbBlue < 240;
}
bool Reddish(const RGBQUAD& p) {
    return p.rgbRed > 150 && p.rgbGreen < 90 && p.rgbBlue < 90;
}
bool Green(const RGBQUAD& p) {
    return p.rgbGreen > 150 && p.rgbRed < 60 && p.rgbBlue < 60;
}
bool Blue(const RGBQUAD& p) {
    return p.rgbBlue > 150 && p.rgbRed < 60 && p.rgbGreen < 60;
}

class FlashFormWinTest : public ::testing::Test {
protected:
    const TPlatform Facilities = Win32Platform();
    TFakeEngineHost Host; // records the pages the engine opens
    std::unique_ptr<TCLEngine> E;
    TWin32Form Main{nullptr, "frmOverlayTest", "TfrmOverlayTest"};
    HWND Panel = nullptr;
    TScratchFolder Dir;

    void SetUp() override {
        SetPlatform(Facilities); // the settings store is made from it
        E = std::make_unique<TCLEngine>(nullptr, Host, Facilities, Settings());
        E->SetSettingOverwrite(
            {"URL.CheckIP=http://127.0.0.1:9/checkip", "URL.home=http://127.0.0.1:9/home"});
        ASSERT_TRUE(Main.CreateHandle("Overlay test", WS_POPUP | WS_CAPTION, 0, 534, 240));
        Panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 534, 180,
                                Main.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowPos(Main.Handle(), HWND_TOPMOST, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        PumpFor(100);
    }
    void TearDown() override {
        E.reset();
        FreeSettings();
    }
    static bool Settled(TfrmFlashForm& f) {
        return PumpUntil([&] { return !f.FlashPlayer()->Scene().Animating(); }, 5000);
    }
};

} // namespace

TEST_F(FlashFormWinTest, ReadyAndHidePicturesShowThePanelsAndTheirTexts) {
    const std::string usFlag = Dir / "US.bmp", frFlag = Dir / "FR.bmp";
    WriteFlag(usFlag, 0, 200, 0);
    WriteFlag(frFlag, 0, 0, 220);
    auto form = PlaceFlashForm(Panel, Facilities, Settings(), E.get());
    ASSERT_NE(form->Handle(), nullptr);
    TFlashPlayer& player = *form->FlashPlayer();
    const TSceneLayout& l = player.Scene().Layout();
    EXPECT_EQ(player.Scene().Background(), AppFolder(*Facilities.Files) + "res\\images\\flsbg.png");
    EXPECT_EQ(player.Scene().Info(1).Text, "Verifing from Maskaddr server ...");
    RECT pr;
    GetClientRect(player.Handle(), &pr);
    const double scale = player.DpiScale();
    EXPECT_EQ(pr.right, static_cast<LONG>(534 * scale + 0.5));
    EXPECT_EQ(pr.bottom, static_cast<LONG>(180 * scale + 0.5));

    // The local information arrives, then the ready text.
    form->SetIPInfo("Local", "True", usFlag, "203.0.113.7", "United States", "Boston", "100", "100");
    form->SetIPInfo("Target", "", usFlag, "203.0.113.7", "United States", "Boston", "100", "100");
    form->SetTextInfo("", 0);
    form->SetTextInfo("Ready. Click \"Maskaddr\" to hide your IP address.", 16711680);
    ASSERT_TRUE(Settled(*form));
    UpdateWindow(player.Handle());
    PumpFor(200);
    SaveScreenshot(player.Handle(), "overlay-ready");
    TCapture ready(player.Handle());
    // The strip of the back panel that the front one does not cover.
    const TSceneRect backStrip{l.Front.X + l.Front.W + 4, l.Back.Y + 6,
                               l.Back.X + l.Back.W - (l.Front.X + l.Front.W) - 10, l.Back.H - 12};
    const TSceneRect frontText{l.Front.X + l.TextX, l.Front.Y + l.TextY, l.Front.W - l.TextX - 8,
                               l.Front.H - l.TextY - 4};
    const TSceneRect frontFlag{l.Front.X + l.Flag.X + 4, l.Front.Y + l.Flag.Y + 4, l.Flag.W - 8,
                               l.Flag.H - 8};
    EXPECT_GT(ready.Share(l.Front, scale, White), 0.4) << "the local card is in front";
    EXPECT_GT(ready.Share(frontText, scale, Dark), 0.01) << "with its texts";
    EXPECT_GT(ready.Share(frontFlag, scale, Green), 0.8) << "and its flag";
    EXPECT_GT(ready.Share(l.Info1, scale, Reddish), 0.02) << "the ready text is red";
    const double readyBackWhite =
        ready.Share(backStrip, scale, [](const RGBQUAD& p) { return p.rgbRed >= 235 && p.rgbGreen >= 238; });

    // A hide.
    form->SetIPInfo("Target", "True", frFlag, "198.51.100.9", "France", "", "0", "100");
    form->Fade("Target", true, 100);
    form->SetIPInfoA("Local", "50", "100");
    form->TurnTarget();
    form->SetTextInfo("Connecting you through a new proxy...", 0);
    EXPECT_TRUE(player.Scene().Animating()) << "the fade and the turn play over time";
    ASSERT_TRUE(Settled(*form));
    UpdateWindow(player.Handle());
    PumpFor(200);
    SaveScreenshot(player.Handle(), "overlay-hidden");
    TCapture hidden(player.Handle());
    EXPECT_EQ(player.Scene().Front(), TSide::Target);
    EXPECT_GT(hidden.Share(frontFlag, scale, Blue), 0.8) << "the target's flag is in front";
    EXPECT_GT(hidden.Share(frontText, scale, Dark), 0.01);
    EXPECT_LT(hidden.Share(l.Info1, scale, Reddish), 0.001) << "the status text is black now";
    EXPECT_GT(hidden.Share(l.Info1, scale, Dark), 0.02);
    const double hiddenBackWhite =
        hidden.Share(backStrip, scale, [](const RGBQUAD& p) { return p.rgbRed >= 235 && p.rgbGreen >= 238; });
    EXPECT_LT(hiddenBackWhite, readyBackWhite) << "the local card behind is dimmed to half";

    // A stop: the target fades out and the local side turns to the front.
    form->SetIPInfoA("Local", "100", "100");
    form->SetIPInfoA("Target", "100", "100");
    form->Fade("Target", false, 0);
    form->TurnLocal();
    ASSERT_TRUE(Settled(*form));
    UpdateWindow(player.Handle());
    PumpFor(200);
    SaveScreenshot(player.Handle(), "overlay-stopped");
    TCapture stopped(player.Handle());
    EXPECT_GT(stopped.Share(frontFlag, scale, Green), 0.8);
    EXPECT_LT(stopped.Share(backStrip, scale, Blue), 0.001) << "the target card is gone";
}

// For a screen reader the overlay is named by its label and its value is what it shows; a
// change of state raises the value-change event. With high contrast its texts take the
// system's window text colour on the window colour: the red ready text turns to the text colour.
TEST_F(FlashFormWinTest, TheOverlaySpeaksItsStateAndFollowsHighContrast) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    auto form = PlaceFlashForm(Panel, Facilities, Settings(), E.get());
    TFlashPlayer& player = *form->FlashPlayer();
    player.SetSpokenLabel(L"Location");
    static std::vector<HWND> changed; // the windows whose value-change events arrived
    changed.clear();
    const HWINEVENTHOOK hook = SetWinEventHook(
        EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
        [](HWINEVENTHOOK, DWORD, HWND w, LONG, LONG, DWORD, DWORD) { changed.push_back(w); }, 0, 0,
        WINEVENT_OUTOFCONTEXT);
    form->SetIPInfo("Local", "True", "", "203.0.113.7", "United States", "Boston", "100", "100");
    form->SetTextInfo("Ready. Click \"Maskaddr\" to hide your IP address.", 16711680);
    PumpFor(200);
    UnhookWinEvent(hook);
    IAccessible* object = nullptr;
    ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(player.Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                     __uuidof(IAccessible), reinterpret_cast<void**>(&object))));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, value = nullptr;
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    EXPECT_EQ(ToUtf8(name != nullptr ? name : L""), "Location");
    EXPECT_EQ(ToUtf8(value != nullptr ? value : L""),
              "Your real location: 203.0.113.7, United States, Boston. Ready. Click \"Maskaddr\" to hide your IP "
              "address.");
    SysFreeString(name);
    SysFreeString(value);
    object->Release();
    CoUninitialize();
    EXPECT_NE(std::find(changed.begin(), changed.end(), player.Handle()), changed.end()) << "the change is announced";

    // Wine 8 cannot switch high contrast on (SPI_SETHIGHCONTRAST fails with 1439 and the query
    // always answers off): the player is told.
    player.SetHighContrast(true);
    InvalidateRect(player.Handle(), nullptr, FALSE);
    UpdateWindow(player.Handle());
    PumpFor(200);
    TCapture high(player.Handle());
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    const TSceneRect info = player.Scene().Layout().Info1;
    const double scale = player.DpiScale();
    EXPECT_LT(high.Share(info, scale, Reddish), 0.001) << "no designed colour";
    EXPECT_GT(high.Share(info, scale,
                         [text](const RGBQUAD& p) {
                             return p.rgbRed == GetRValue(text) && p.rgbGreen == GetGValue(text) &&
                                    p.rgbBlue == GetBValue(text);
                         }),
              0.02)
        << "the system's text colour";
}

TEST_F(FlashFormWinTest, ARightClickNeverReachesThePlayerAndOpensNoMenu) {
    auto form = PlaceFlashForm(Panel, Facilities, Settings(), E.get());
    TFlashPlayer& player = *form->FlashPlayer();
    const POINT p = player.ClientPoint(100, 100);
    PostMessageW(player.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
    PostMessageW(player.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    PumpFor(300);
    EXPECT_EQ(player.RightPresses(), 0);
    EXPECT_EQ(player.RightReleases(), 2) << "the press arrives as a release";
    HWND menu = FindWindowW(L"#32768", nullptr);
    EXPECT_TRUE(menu == nullptr || !IsWindowVisible(menu));
}

TEST_F(FlashFormWinTest, ClicksOnTheCheckIPElementAndTheLogoOpenTheirPages) {
    auto form = PlaceFlashForm(Panel, Facilities, Settings(), E.get());
    TFlashPlayer& player = *form->FlashPlayer();
    const TSceneLayout& l = player.Scene().Layout();
    struct Case {
        TSceneRect element;
        const char* opens;
    };
    const Case cases[] = {{l.CheckIP, "http://127.0.0.1:9/checkip"},
                          {l.Logo, "http://127.0.0.1:9/home?ACTION=home&"}};
    for (const Case& c : cases) {
        Host.Opened.clear();
        Host.Started.clear();
        const POINT p = player.ClientPoint(c.element.X + c.element.W / 2, c.element.Y + c.element.H / 2);
        PostMessageW(player.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        PostMessageW(player.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        ASSERT_TRUE(PumpUntil([&] { return !Host.Opened.empty() || !Host.Started.empty(); }, 3000))
            << c.opens;
        // Without a browser command the shell opens the page; with one, it is started.
        const std::string opened = Host.Opened.empty() ? Host.Started[0] : Host.Opened[0];
        EXPECT_NE(opened.find(c.opens), std::string::npos) << opened;
    }
    // A press on one element and a release elsewhere is no click.
    Host.Opened.clear();
    Host.Started.clear();
    const POINT a = player.ClientPoint(l.CheckIP.X + 2, l.CheckIP.Y + 2);
    const POINT b = player.ClientPoint(l.Front.X + 20, l.Front.Y + 20);
    PostMessageW(player.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x, a.y));
    PostMessageW(player.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(b.x, b.y));
    PumpFor(300);
    EXPECT_TRUE(Host.Opened.empty() && Host.Started.empty());
}

TEST_F(FlashFormWinTest, AMissingSceneFileShowsTheFileErrorAndTheOverlayGoesOn) {
    const std::string movie = AppFolder(*Facilities.Files) + "res\\maskaddr.dat";
    const std::string moved = movie + ".away";
    ASSERT_TRUE(MoveFileExW(ToWide(movie).c_str(), ToWide(moved).c_str(), MOVEFILE_REPLACE_EXISTING));
    struct Restore {
        std::string from, to;
        ~Restore() { MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING); }
    } restore{moved, movie};

    std::atomic<bool> stop{false};
    std::wstring shown;
    std::thread closer([&] {
        while (!stop) {
            HWND box = FindWindowW(L"#32770", nullptr);
            if (box != nullptr && IsWindowVisible(box)) {
                wchar_t text[1024] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 1024);
                shown = text;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    });
    auto form = PlaceFlashForm(Panel, Facilities, Settings(), E.get());
    stop = true;
    closer.join();
    EXPECT_EQ(ToUtf8(shown), movie + " File Error!");
    ASSERT_NE(form->FlashPlayer(), nullptr);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    form->SetTextInfo("still taken", 0);
    EXPECT_EQ(form->FlashPlayer()->Scene().Info(1).Text, "still taken");
    PumpFor(100);
    SaveScreenshot(form->FlashPlayer()->Handle(), "overlay-without-scene-file");
}
