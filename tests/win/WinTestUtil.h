// Helpers of the Win32 tests: scratch folders, whole-file reads and running a
// child process with its output captured.
#pragma once

#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace maskaddr::test {

// A fresh folder under the temporary folder, removed with its content at the end.
class TScratchFolder {
public:
    TScratchFolder();
    ~TScratchFolder();
    const std::string& Path() const { return FPath; } // without trailing "\"
    std::string operator/(const std::string& name) const { return FPath + "\\" + name; }

private:
    std::string FPath;
};

// The folder of the running test program, with trailing "\".
std::string TestProgramFolder();

std::string FullPath(const std::string& path);
// The data folder word of a program: its full path with "\\", ":" and "/" as "_".
std::string FolderWord(std::string path);
// A value of the Explorer "Shell Folders" key, per user or of the machine.
std::string ShellFolderPath(bool machine, const char* name);
// One entry of an INI file on disk; "<missing>" when absent.
std::string IniValue(const std::string& path, const char* section, const char* name);

// Serves this thread's messages until done() holds or timeoutMs has passed; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Serves this thread's messages for the given time (a window draws, a late reply could come).
void PumpFor(DWORD ms);
// Serves every message waiting in this thread's queue, and those they post in turn, until the
// queue is empty: whatever was posted before has run by then. False when it never emptied.
bool DrainMessages(DWORD limitMs = 5000);
// Every worker thread has ended and the queue is drained: a late result would have been
// delivered by now. False when a worker still runs after limitMs.
bool WorkersSettled(DWORD limitMs = 10000);

struct TProcessResult {
    DWORD ExitCode = 0;
    bool TimedOut = false;
    bool Started = true; // false: CreateProcessW failed (its error in Output)
    std::string Output;  // standard output and error
};
TProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// The visible top-level window of that class (and title, when given), waited for up to
// waitMs (looked for every pollMs); nullptr when none came.
HWND WaitForVisibleWindow(const wchar_t* className, DWORD waitMs, DWORD pollMs = 50,
                          const wchar_t* title = nullptr);

// Each visible child of a window as a screen reader finds it (Active Accessibility, read in
// this process, which has initialised COM): "id role name" lines of those whose name is empty.
std::vector<std::string> UnnamedControls(HWND window);

// For the timing probes of bench/: a steady clock in milliseconds, and the median of figures.
double NowMs();
double Median(std::vector<double> figures);

} // namespace maskaddr::test
