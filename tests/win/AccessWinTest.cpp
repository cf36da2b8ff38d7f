// What a screen reader finds in the real program: the program runs in the test's own process
// (Wine answers Active Accessibility only there), and a timer of the test's thread reads the
// main window and then each page of the settings dialog while it is open.
#include "ProgramDriver.h"
#include "TestHttpServer.h"
#include "WinTestUtil.h"
#include "app/AppPlatform.h"
#include "app/MainIds.h"
#include "app/StartRoutine.h"
#include "app/win32/StartHostWin.h"
#include "platform/win32/PlatformWin.h"
#include "ui/win32/SettingsForm.h"

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// What the timer saw, step by step; it ends the program when done or after 60 s.
struct TReading {
    int Step = 0, Ticks = 0;
    HWND Main = nullptr;
    std::vector<std::string> Unnamed;
    std::string IntervalName, OverlayName, OverlayValue;
    int PagesRead = 0;
    bool TimedOut = false;
} reading;

std::string Spoken(HWND w, bool value) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(w, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return "<no object>";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (value) object->get_accValue(self, &text);
    else object->get_accName(self, &text);
    std::string spoken = text != nullptr ? ToUtf8(std::wstring(text, SysStringLen(text))) : "";
    SysFreeString(text);
    object->Release();
    return spoken;
}

void ReadWindow(HWND window, const std::string& where) {
    for (const std::string& unnamed : UnnamedControls(window)) reading.Unnamed.push_back(where + ": " + unnamed);
}

HWND OwnWindow(const wchar_t* className) {
    HWND w = FindWindowW(className, nullptr);
    return w != nullptr && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() && IsWindowVisible(w)
               ? w
               : nullptr;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    static const UINT busy = RegisterWindowMessageW(L"CL IfBusy");
    if (++reading.Ticks > 600 && reading.Step < 4) {
        reading.TimedOut = true;
        reading.Step = 4;
        if (HWND dialog = OwnWindow(L"TfrmSettings")) PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    }
    switch (reading.Step) {
    case 0: { // the main window, started and showing the lookup's answer
        reading.Main = OwnWindow(L"TfrmMain");
        if (reading.Main == nullptr || SendMessageW(reading.Main, busy, 0, 0) != 0) return;
        HWND overlay = GetWindow(GetWindow(GetDlgItem(reading.Main, ids::pnlFlash), GW_CHILD), GW_CHILD);
        reading.OverlayValue = Spoken(overlay, true);
        if (reading.OverlayValue.find("127.0.0.1") == std::string::npos) return;
        reading.OverlayName = Spoken(overlay, false);
        ReadWindow(reading.Main, "main");
        reading.IntervalName = Spoken(GetDlgItem(reading.Main, ids::edtChangeIPTime), false);
        reading.Step = 1;
        PostMessageW(reading.Main, WM_COMMAND, ids::actSettings, 0); // its modal loop runs this timer
        return;
    }
    case 1: // each page of the settings dialog
    case 2:
    case 3: {
        HWND dialog = OwnWindow(L"TfrmSettings");
        if (dialog == nullptr) return;
        ReadWindow(dialog, "settings page " + std::to_string(reading.Step));
        ++reading.PagesRead;
        if (reading.Step++ < 3) {
            SendMessageW(GetDlgItem(dialog, settingsIds::pcSetting), WM_KEYDOWN, VK_RIGHT, 0);
        } else {
            PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        }
        return;
    }
    case 4: // the dialog has gone: the program ends as through its menu
        if (OwnWindow(L"TfrmSettings") != nullptr) return;
        PostMessageW(reading.Main, WM_COMMAND, ids::actExit, 0);
        reading.Step = 5;
        return;
    default:
        return;
    }
}

std::string OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return ToUtf8(path);
}

} // namespace

// Every visible control of the main window and of each settings page has a name: captions,
// the flag by its country, the overlay's panel, the interval's edit by its check box, the
// lists by their labels. The overlay is named by what it is, and its value is what it says.
TEST(AccessWinTest, EveryControlOfTheMainWindowAndTheSettingsHasAName) {
    TTestHttpServer service;
    service.SetReply("/getinfo", {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=QQ\r\n"});
    const TClosedPort proxy("127.0.0.2"); // nothing answers there: the test never hides
    ASSERT_TRUE(proxy.Held());
    ASSERT_EQ(WriteServiceUserFile(OwnPath(), service.Url(""),
                                   "Update.Times=1\r\nURL.VerifyIP=\r\nNORMAL_IPS=" + proxy.Address() +
                                       "|United States|US|0|0;\r\n"),
              "");
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const TPlatform facilities = Win32Platform();
    SetPlatform(facilities); // the settings store and the start routine read it
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, Tick);
    ASSERT_NE(timer, 0u);
    int code = -1;
    {
        TStartHostWin host(facilities);
        code = RunApplication(host, TCommandLine({"-d"}));
    }
    KillTimer(nullptr, timer);
    CoUninitialize();

    EXPECT_EQ(code, 0);
    EXPECT_FALSE(reading.TimedOut) << "stopped at step " << reading.Step;
    EXPECT_EQ(reading.PagesRead, 3);
    EXPECT_EQ(reading.Unnamed, std::vector<std::string>{});
    EXPECT_EQ(reading.IntervalName, "Change IP Every Minutes");
    EXPECT_EQ(reading.OverlayName, "Location");
    EXPECT_NE(reading.OverlayValue.find("Your real location: 127.0.0.1"), std::string::npos) << reading.OverlayValue;
}
