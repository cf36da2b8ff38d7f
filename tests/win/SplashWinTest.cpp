// The splash window: its layered picture on the screen, its closing, and the real
// maskaddr.exe showing it at start-up when a distributor's constants ask for it.
#include "ProgramTest.h"
#include "Screenshot.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "ui/win32/SplashForm.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr COLORREF kDesktop = RGB(0, 128, 128);
constexpr int kPictureWidth = 700, kPictureHeight = 480; // res\images\splash.png

// A screen-filling window of one colour behind the splash: what its transparent parts show.
class TBackdrop {
public:
    TBackdrop() : FBrush(CreateSolidBrush(kDesktop)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = FBrush.Get();
        wc.lpszClassName = L"TSplashBackdrop";
        RegisterClassExW(&wc);
        FWindow.Attach(CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                       nullptr, wc.hInstance, nullptr));
        PumpFor(300);
    }
    ~TBackdrop() {
        FWindow.Close();
        UnregisterClassW(L"TSplashBackdrop", GetModuleHandleW(nullptr));
    }
    HWND Get() const { return FWindow.Get(); }

private:
    TGdiBrush FBrush;
    TWindowHandle FWindow;
};

// Where the picture lies at that DPI: scaled from its 96-DPI size, centred on the screen.
RECT CentredPicture(int dpi = 96) {
    const int width = MulDiv(kPictureWidth, dpi, 96), height = MulDiv(kPictureHeight, dpi, 96);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return {left, top, left + width, top + height};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool IsDesktop(const RGBQUAD& p) {
    return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) == kDesktop;
}

class SplashWinTest : public ::testing::Test {
protected:
    const TPlatform Facilities = Win32Platform();
};

} // namespace

TEST_F(SplashWinTest, ShowsThePictureCentredWithTransparentCornersAndHidesWhenDeactivated) {
    TBackdrop backdrop;
    TfrmCLSplashForm splash(*Facilities.Files, TestProgramFolder()); // the shipped res\images\splash.png
    ASSERT_NE(splash.Handle(), nullptr);
    splash.ShowAndPaint();
    PumpFor(500); // the display and its compositor draw
    ASSERT_TRUE(IsWindowVisible(splash.Handle()));
    EXPECT_NE(GetWindowLongPtrW(splash.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    RECT r{};
    GetWindowRect(splash.Handle(), &r);
    EXPECT_TRUE(SameRect(r, CentredPicture())) << r.left << "," << r.top << " " << r.right << "," << r.bottom;

    int w = 0, h = 0;
    const std::vector<RGBQUAD> pixels = CapturePixels(splash.Handle(), w, h);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kPictureWidth) * kPictureHeight);
    EXPECT_TRUE(IsDesktop(pixels[0])) << "the transparent corner shows what is behind";
    const RGBQUAD card = pixels[static_cast<size_t>(400) * w + 100];
    EXPECT_FALSE(IsDesktop(card));
    EXPECT_GT(card.rgbBlue, card.rgbRed) << "the card's own blue";
    SaveScreenshot(splash.Handle(), "splash");

    SetForegroundWindow(backdrop.Get());
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(splash.Handle()); }, 5000));
    EXPECT_NE(splash.Handle(), nullptr) << "closing hides; the window stays until it is freed";
}

// A main window that never takes activation (kept in the tray, or refused the foreground)
// still ends the splash.
TEST_F(SplashWinTest, AMainWindowThatStaysInactiveClosesTheSplashToo) {
    TfrmCLSplashForm splash(*Facilities.Files, TestProgramFolder());
    splash.ShowAndPaint();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(splash.Handle()) != FALSE; }, 5000));
    const TWindowHandle main(CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 100, 100, nullptr,
                                             nullptr, GetModuleHandleW(nullptr), nullptr));
    splash.MainWindowCreated(main.Get());
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(splash.Handle()); }, 5000));
}

TEST_F(SplashWinTest, WithoutAReadablePictureTheSplashClosesAtOnce) {
    for (const char* oemFile : {"", "not a picture"}) {
        TScratchFolder folder;
        if (*oemFile != '\0') {
            ASSERT_EQ(TFileSystemWin().WriteFileAtomic(folder / "oem.splash.png", oemFile), "");
        }
        TfrmCLSplashForm splash(*Facilities.Files, folder.Path() + "\\");
        ASSERT_NE(splash.Handle(), nullptr);
        EXPECT_EQ(splash.PngForm().Picture().Width, kPictureWidth) << "the built-in picture until it closes";
        splash.ShowAndPaint();
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(splash.Handle()); }, 5000)) << oemFile;
    }
}

namespace {

// maskaddr.exe copied with its data into a folder of the test, where an oem.const.dat
// turns the splash on, started at 125 % display scale (Wine's LogPixels, read at its start).
// Its requests go to a server of the test (404), never elsewhere.
class SplashProgramTest : public TProgramTest {
protected:
    std::string Exe;

    void SetUp() override {
        TProgramTest::SetUp();
        Exe = CopyProgram(FullPath(TestProgramFolder() + "..\\..\\"), Dir.Path(), Service.Url(""));
        ASSERT_NE(Exe, "");
        ASSERT_EQ(Fs.WriteFileAtomic(Dir / "oem.const.dat", "[setting]\r\nApp.Splash=1\r\n"), "");
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &kDpi, sizeof kDpi),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
        TProgramTest::TearDown();
    }
    static constexpr DWORD kDpi = 120;
    static constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
};

} // namespace

// The splash is up, centred and scaled smoothly to the display, before the main window is
// made, and hidden once the main window has taken activation from it; start-up completes.
TEST_F(SplashProgramTest, TheSplashComesFirstAndClosesWhenTheMainWindowIsActive) {
    TProgram app(Exe, "-d");
    HWND main = app.Ready();
    ASSERT_NE(main, nullptr) << "start-up completes";
    HWND splash = app.ExistingWindow("TfrmCLSplashForm");
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(splash); }, 5000));
    EXPECT_EQ(GetForegroundWindow(), main);
    RECT r{};
    GetWindowRect(splash, &r);
    EXPECT_TRUE(SameRect(r, CentredPicture(kDpi))) << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    const std::string trace = Fs.ReadFile(Trace).value_or("");
    const size_t shown = trace.find("[Splash] Picture " + Dir.Path() + "\\res\\images\\splash.png");
    ASSERT_NE(shown, std::string::npos) << trace;
    EXPECT_LT(shown, trace.find("[CLOverlay]")) << "before the main window's overlay";
    EXPECT_EQ(app.Exit(main), 0);
}
