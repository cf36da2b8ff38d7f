// The real program from the keyboard alone: real key presses (SendInput) into its windows,
// as a user without a mouse gives them.
#include "ProgramTest.h"
#include "app/MainIds.h"
#include "ui/win32/ChooseIPCountryForm.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

void Keys(std::initializer_list<WORD> down) {
    std::vector<INPUT> inputs;
    for (WORD key : down) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        inputs.push_back(in);
    }
    for (auto it = down.end(); it != down.begin();) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *--it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Type(const std::string& text) {
    for (char c : text)
        Keys({static_cast<WORD>(VkKeyScanW(static_cast<wchar_t>(c)) & 0xFF)});
}

// The control that has the keyboard focus in the program's thread that owns w.
HWND Focused(HWND w) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info);
    return info.hwndFocus;
}

// The focus events the program raises as keys move the keyboard, in order: a step of the test
// waits for the event its key must cause and reads where the focus went.
class TProgramEvents {
public:
    explicit TProgramEvents(HWND w) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        FHook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, Record, pid, 0,
                                WINEVENT_OUTOFCONTEXT);
    }
    ~TProgramEvents() { UnhookWinEvent(FHook); }
    TProgramEvents(const TProgramEvents&) = delete;
    TProgramEvents& operator=(const TProgramEvents&) = delete;
    // Forgets what came so far: the next wait is for what the next key causes.
    void Clear() { Events().clear(); }
    // The first control that took the focus since the last Clear, waited for up to 5 s; null
    // when no focus event came.
    HWND NextFocus() {
        HWND found = nullptr;
        PumpUntil([&] { return (found = First()) != nullptr; }, 5000);
        return found;
    }

private:
    static std::vector<std::pair<DWORD, HWND>>& Events() {
        static std::vector<std::pair<DWORD, HWND>> events;
        return events;
    }
    static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND w, LONG object, LONG, DWORD, DWORD) {
        if (object == OBJID_CLIENT || object == OBJID_WINDOW) Events().emplace_back(event, w);
    }
    static HWND First() { return Events().empty() ? nullptr : Events().front().second; }
    HWINEVENTHOOK FHook = nullptr;
};

} // namespace

using KeyboardWinTest = TProgramTest;

TEST_F(KeyboardWinTest, EverythingTheMouseDoesTheKeyboardDoes) {
    WriteHidingUserFile("URL.VerifyIP=\r\n", Entry(ProxyA, "United States|US|0|0") + Entry(ProxyB, "Germany|DE|0|0") +
                                                 Entry(ProxyC, "Georgia|GE|0|0"));
    TBuiltApp app("-d");
    HWND w = nullptr;
    ASSERT_EQ(StartUp(app, w), "");
    SetForegroundWindow(w);
    ASSERT_TRUE(PumpUntil([&] { return Focused(w) == GetDlgItem(w, ids::btnHide); }, 3000))
        << "the first control has the keyboard: " << GetDlgCtrlID(Focused(w));
    EXPECT_EQ(SendMessageW(Focused(w), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0) << "the focus shows";

    // Tab and Shift+Tab: the controls in reading order, and back.
    TProgramEvents events(w);
    std::vector<int> order;
    for (int i = 0; i < 6; ++i) {
        events.Clear();
        Keys({VK_TAB});
        order.push_back(GetDlgCtrlID(events.NextFocus()));
    }
    EXPECT_EQ(order, (std::vector<int>{ids::btnChooseIP, ids::btnSettings, ids::cbAutorun, ids::cbChangeIP,
                                       ids::edtChangeIPTime, ids::btnHide}));
    events.Clear();
    Keys({VK_SHIFT, VK_TAB});
    EXPECT_EQ(GetDlgCtrlID(events.NextFocus()), ids::edtChangeIPTime);

    // Enter on the hide button hides, and again stops.
    events.Clear();
    Keys({VK_TAB}); // forward round to the button
    ASSERT_EQ(events.NextFocus(), GetDlgItem(w, ids::btnHide));
    Sleep(1100); // a second after the start, or the hide gets the too-fast notice
    Keys({VK_RETURN});
    // The caption is the result to wait for (Wine raises no name-change event for a caption).
    EXPECT_TRUE(PumpUntil([&] { return ControlText(w, ids::btnHide) == "&Stop Hide"; }, 15000))
        << (app.OpenDialog() ? DialogText(app.OpenDialog()) : std::string("no dialog"));
    Sleep(1100); // a second after the hide, or the stop gets the too-fast notice
    Keys({VK_RETURN});
    EXPECT_TRUE(PumpUntil([&] { return ControlText(w, ids::btnHide) == "&Maskaddr"; }, 15000));

    // Alt and the underlined letter open the settings; Escape closes them as Cancel.
    Keys({VK_MENU, 'T'});
    HWND settings = app.WaitForWindow("TfrmSettings", 10000);
    ASSERT_NE(settings, nullptr);
    Keys({VK_ESCAPE});
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(settings); }, 5000)) << "Escape closes the settings";

    // The chooser: Alt+I, type-ahead, Enter chooses.
    Keys({VK_MENU, 'I'});
    HWND chooser = app.WaitForWindow("TfrmChooseIPCountry", 10000);
    ASSERT_NE(chooser, nullptr);
    HWND list = GetDlgItem(chooser, TfrmChooseIPCountry::idCountry);
    ASSERT_TRUE(PumpUntil([&] { return Focused(chooser) == list; }, 3000))
        << "the list has the keyboard: " << GetDlgCtrlID(Focused(chooser));
    Type("Ger");
    EXPECT_TRUE(PumpUntil([&] { return ControlText(chooser, TfrmChooseIPCountry::idCountry) == "Germany"; }, 3000)) << ControlText(chooser, TfrmChooseIPCountry::idCountry);
    Sleep(1100); // a second after the stop, or the choice's hide gets the too-fast notice
    Keys({VK_RETURN});
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(chooser); }, 5000)) << "Enter chooses";
    EXPECT_TRUE(PumpUntil([&] { return ControlText(w, ids::lblIPCountry) == "Germany"; }, 5000))
        << ControlText(w, ids::lblIPCountry);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(w, ids::btnHide) == "&Stop Hide"; }, 15000))
        << "the choice hides at once: " << (app.OpenDialog() ? DialogText(app.OpenDialog()) : std::string("no dialog"));

    // The tray icon: the context-menu key opens its menu; Enter opens the window.
    ShowWindow(w, SW_HIDE);
    PostMessageW(w, WM_APP + 1, 0, MAKELPARAM(WM_CONTEXTMENU, 1));
    EXPECT_TRUE(PumpUntil([&] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 5000)) << "the tray menu";
    Keys({VK_ESCAPE});
    PostMessageW(w, WM_APP + 1, 0, MAKELPARAM(NIN_KEYSELECT, 1));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(w) != FALSE; }, 5000)) << "Enter on the tray icon";

    EXPECT_EQ(app.Exit(w), 0);
}
