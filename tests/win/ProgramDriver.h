// Driving the real maskaddr.exe from a test: starting and ending it, finding its main
// window, reading its controls, hiding through its command, and reading what the
// system's web settings say afterwards.
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace maskaddr::test {

class TProgram {
public:
    TProgram(const std::string& exe, const std::string& args);
    // Ends a program that still runs: Exit first, then by force.
    ~TProgram();
    // The program's main window, once it exists (visible or not).
    HWND Window(DWORD waitMs = 20000) const;
    // The main window once the program has finished starting (it answers "CL IfBusy" with 0).
    HWND Ready() const;
    // Exit code after the process ended, or -1 when it still runs after waitMs.
    long Ended(DWORD waitMs) const;
    // The main window's Exit command (the tray menu's), then Ended(waitMs).
    long Exit(HWND main, DWORD waitMs = 15000) const;
    bool Started() const { return FProcess.Valid(); }
    // Ends the process at once, as a kill does: nothing of the program runs any more.
    void Kill();
    // Sends SIGKILL to the program's Unix process under Wine (found by its prefix and file
    // name); true once the process has ended.
    bool KillUnixProcess() const;

    // A message dialog (class #32770) of this program that is open now, or nullptr.
    HWND OpenDialog() const;
    // Waits for a visible top-level window of this program with that window class (a form
    // such as "TfrmSettings"); nullptr after waitMs.
    HWND WaitForWindow(const std::string& className, DWORD waitMs = 20000) const;
    // A top-level window of this program with that window class, shown or hidden, now.
    HWND ExistingWindow(const std::string& className) const;
    // Waits for a dialog of this program whose text contains `text`; nullptr after waitMs.
    HWND WaitForDialog(const std::string& text, DWORD waitMs = 20000) const;
    // Sends one command, as one click, and waits until done() holds: "" when it did, else
    // what the user sees instead (the text of a dialog that opened, or that nothing came).
    // It never clicks twice and never closes a dialog.
    std::string ClickOnce(HWND main, int command, const std::function<bool()>& done,
                          DWORD waitMs = 30000) const;
    // The hide command, once, a second after the previous action (a quicker click gets the
    // too-fast notice): "" once the window is hiding, else what came instead.
    std::string Hide(HWND main) const;
    // The main window once the program is ready and the lookup of the user's own information
    // has answered (in the debug trace written to `trace`): it takes hide commands from then
    // on. "" when so, else what went wrong.
    std::string StartUp(const std::string& trace, HWND& main) const;
    // StartUp, then Hide.
    std::string StartAndHide(const std::string& trace, HWND& main) const;

private:
    HWND WaitForClass(const std::wstring& className, bool visibleOnly, DWORD waitMs) const;
    THandle FProcess;
    DWORD FPid = 0;
    std::string FExe;
};

// The user file (setting.dat) of the program at exe, and that file written: its [setting]
// section with the addresses of the requests the program makes by itself at start (the
// automatic update, the lookup, a flag) at service ("http://127.0.0.1:PORT"), then lines,
// whose entries win. "" when written, else the system's error text.
std::string UserFileOf(const std::string& exe);
std::string WriteServiceUserFile(const std::string& exe, const std::string& service,
                                 const std::string& lines);
// The program path of Firefox written where the program keeps it: the account's own folder.
std::string WriteOwnFirefoxPath(const std::string& exe, const std::string& firefox);

// Copies maskaddr.exe from the folder (with trailing "\") into another, with the data it
// reads at start (constants, overlay scene, pictures, language, skin), and gives every
// request it makes by itself to the server at serviceUrl (its own user file). Returns the
// copy's path, or empty when a file could not be copied.
std::string CopyProgram(const std::string& fromFolder, const std::string& toFolder,
                        const std::string& serviceUrl);

// maskaddr.exe of the build tree (two folders above the test program) and its user file.
class TBuiltApp : public TProgram {
public:
    explicit TBuiltApp(const std::string& args) : TProgram(Exe(), args) {}
    static std::string Exe();
    static std::string UserFile();
    // Writes its user file (WriteServiceUserFile).
    static std::string WriteUserFile(const std::string& service, const std::string& lines);
};

// The settings dialog of a running program, opened from the main window's command.
class TSettingsDriver {
public:
    TSettingsDriver(const TProgram& app, HWND main);
    HWND Dialog = nullptr;
    bool Checked(int id) const;
    void Click(int id) const;
    // The "Browser" page, as the arrow key on the page control selects it.
    void NextPage() const;
    // OK or Cancel; true once the dialog has gone.
    bool Close(int button) const;
};

// The rows of another process's report list view, each row's column texts joined by " | ".
// Its messages take pointers of its own process: they go through a buffer made there.
std::vector<std::string> ListViewRows(HWND list, int columns);
// Selects one row of another process's list view, as a click on it does; false on a failure.
bool SelectListViewRow(HWND list, int row);

// A top-level window of the process with that class name, or nullptr.
HWND FindProcessWindow(DWORD pid, const wchar_t* className, bool visibleOnly);

// A control's text by WM_GETTEXT, which reaches the control itself: GetWindowTextW of
// another process's edit control returns only its creation text.
std::string ControlText(HWND main, int id);

// A dialog's caption and the texts of its controls, joined by " | ".
std::string DialogText(HWND dialog);
// Presses a dialog's button by its identifier (IDOK, ...), message box or task dialog alike.
void PressDialogButton(HWND dialog, int id);
// The debug trace's line of the overlay that the answer of the user's own lookup fills: the
// program takes hide commands from then on. (The ready text alone also comes at start-up.)
constexpr char kLookupAnswered[] = "SetIPInfo(Local|True|";
// Waits until the file holds `text` (the program writes its debug trace there).
bool WaitForText(const std::string& file, const std::string& text, DWORD waitMs = 30000);

// What a program that follows the system's web settings would use now.
struct TProxyState {
    DWORD Flags = 0;
    std::string Server, RegistryServer;
    std::optional<uint32_t> RegistryEnable;
    std::optional<std::string> RegistryBypass;
    bool operator==(const TProxyState&) const = default;
};
void PrintTo(const TProxyState& s, std::ostream* out);
TProxyState QuerySystemProxy();

} // namespace maskaddr::test
