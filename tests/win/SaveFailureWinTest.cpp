// The real maskaddr.exe with a user file that cannot be replaced: it tells the user once,
// naming the file and the system's reason, and goes on with the values in memory.
#include "ProgramTest.h"
#include "Screenshot.h"
#include "app/MainIds.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

std::string UnixPath(const std::string& path) {
    using TUnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(ToWide(path).c_str()) : nullptr;
    std::string result = name != nullptr ? name : "";
    if (name != nullptr) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// A file made immutable (chattr +i) while the object lives. Under Wine a program running as
// root still replaces a file that has the read-only attribute (Wine keeps the attribute as
// Unix mode bits, which root passes); an immutable file can be replaced by nobody. Wine starts
// the Unix shell without a handle to wait on: the command leaves a mark when it has done.
class TImmutableFile {
public:
    explicit TImmutableFile(const std::string& path) : FUnixPath(UnixPath(path)) { FHolds = Chattr("+i"); }
    ~TImmutableFile() {
        if (FHolds) Chattr("-i");
    }
    bool Holds() const { return FHolds; }

private:
    // Waits for the mark, which only a successful chattr leaves.
    bool Chattr(const char* change) {
        const std::string mark = FScratch / (change[0] == '+' ? "immutable" : "mutable");
        std::wstring command = ToWide("Z:\\bin\\sh -c \"chattr " + std::string(change) + " '" + FUnixPath +
                                      "' && : >'" + UnixPath(mark) + "'\"");
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (FUnixPath.empty() ||
            !CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        if (pi.hProcess != nullptr) CloseHandle(pi.hProcess);
        if (pi.hThread != nullptr) CloseHandle(pi.hThread);
        return PumpUntil([&] { return TFileSystemWin().FileExists(mark); }, 10000);
    }
    std::string FUnixPath;
    TScratchFolder FScratch;
    bool FHolds = false;
};

} // namespace

using SaveFailureWinTest = TProgramTest;

TEST_F(SaveFailureWinTest, AUserFileThatCannotBeReplacedIsToldOnceAndTheProgramGoesOn) {
    const std::string userFile = TBuiltApp::UserFile();
    const std::optional<std::string> saved = Fs.ReadFile(userFile);
    TImmutableFile locked(userFile);
    ASSERT_TRUE(locked.Holds()) << "chattr +i " << userFile;

    TBuiltApp app("");
    HWND message = app.WaitForDialog("cannot save its settings");
    ASSERT_NE(message, nullptr) << "the message about the user file";
    const std::string text = DialogText(message);
    EXPECT_NE(text.find(userFile), std::string::npos) << text;
    EXPECT_NE(text.find(ErrorText(ERROR_ACCESS_DENIED)), std::string::npos) << text;
    Sleep(300); // painted before the picture is taken
    SaveScreenshot(message, "message-save-failed");
    PressDialogButton(message, IDOK);

    HWND w = app.Ready();
    ASSERT_NE(w, nullptr) << "the program goes on";
    SendMessageW(w, WM_COMMAND, ids::actAlwaysOnTop, 0);
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "in effect, though not saved";
    SendMessageW(w, WM_COMMAND, ids::actAlwaysOnTop, 0);
    // A message of these saves would be posted before this toggle: open once it has turned.
    PostMessageW(w, WM_COMMAND, ids::actAlwaysOnTop, 0);
    ASSERT_TRUE(PumpUntil([w] { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 10000));
    HWND second = app.OpenDialog();
    EXPECT_EQ(second, nullptr) << DialogText(second);
    EXPECT_EQ(Fs.ReadFile(userFile), saved);
    EXPECT_EQ(app.Exit(w), 0) << "no message at the end either";
}
