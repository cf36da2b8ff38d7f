// What the end-to-end tests share: the run's settings from run-e2e, waiting for a result,
// and the address that the check-IP page of the run's service sees for a browser that
// follows the system's web settings.
#pragma once

#include "ProgramDriver.h"

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <string>

namespace maskaddr::test {

// An environment variable that run-e2e set; "" when absent.
std::string Env(const char* name);

// The program under test, as run-e2e placed it.
class TApp : public TProgram {
public:
    explicit TApp(const std::string& args) : TProgram(Env("MASKADDR_E2E_EXE"), args) {}
};
std::string ReadText(const std::string& path);
// The started program's main window once its lookup answered (in the trace file) and one
// click hid; null, with the failure reported, otherwise.
HWND HiddenWindow(const TApp& app, const std::string& trace);
// The address that the check-IP page reports for a WinINet client with the preconfigured
// (system) settings, as a browser that follows them would be seen; "<failed>" on an error.
std::string SeenAddress();
// Starts a program of the Unix side ("Z:\bin\ln -s ..."); Wine cannot wait for its end.
bool StartUnixProgram(const std::string& commandLine);
// Starts or stops one of the run's spare servers ("us-a", "us-b", "service2") through run-e2e's
// e2ectl; true once the server listens (start) or nothing listens there any more (stop).
bool Spare(const std::string& action, const std::string& name);
// The Authenticode signature of a file verifies against the certificate that tools/package
// signed with (run-e2e names it); checked on the Unix side with osslsigncode.
bool SignedWithThePackagesCertificate(const std::string& file);
// The system's web settings, and so every browser that follows them, connect directly.
bool IsDirect(const TProxyState& s);

} // namespace maskaddr::test
