// Starting another program (see Process.h).
#include "platform/win32/Process.h"

#include "platform/win32/WinText.h"

namespace maskaddr {

TProcessHandles StartProcess(const std::string& commandLine, const std::string& workingFolder,
                             const STARTUPINFOW* startup, bool inheritHandles) {
    STARTUPINFOW plain{};
    plain.cb = sizeof plain;
    std::wstring command = ToWide(commandLine); // CreateProcessW may write into it
    const std::wstring folder = ToWide(workingFolder);
    PROCESS_INFORMATION pi{};
    TProcessHandles started;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, inheritHandles, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(),
                        const_cast<STARTUPINFOW*>(startup != nullptr ? startup : &plain), &pi)) {
        TraceLastError("CreateProcessW", commandLine + " in " + (workingFolder.empty() ? "." : workingFolder));
        return started;
    }
    started.Process.Attach(pi.hProcess);
    started.Thread.Attach(pi.hThread);
    started.ProcessId = pi.dwProcessId;
    return started;
}

} // namespace maskaddr
