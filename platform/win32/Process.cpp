// Starting another program (see Process.h).
#include "platform/win32/Process.h"

#include "platform/win32/WinText.h"

namespace maskaddr {

TProcessHandles StartProcess(const std::string& commandLine, const STARTUPINFOW* startup) {
    STARTUPINFOW plain{};
    plain.cb = sizeof plain;
    std::wstring command = ToWide(commandLine); // CreateProcessW may write into it
    PROCESS_INFORMATION pi{};
    TProcessHandles started;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, startup != nullptr, 0, nullptr, nullptr,
                        const_cast<STARTUPINFOW*>(startup != nullptr ? startup : &plain), &pi)) {
        TraceLastError("CreateProcessW", commandLine);
        return started;
    }
    started.Process.Attach(pi.hProcess);
    started.Thread.Attach(pi.hThread);
    started.ProcessId = pi.dwProcessId;
    return started;
}

} // namespace maskaddr
