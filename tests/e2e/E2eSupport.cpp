// What the end-to-end tests share (see E2eSupport.h).
#include "E2eSupport.h"
#include "WinTestUtil.h"

#include "platform/win32/InternetHandle.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <cstdlib>

namespace maskaddr::test {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string ReadText(const std::string& path) {
    return TFileSystemWin().ReadFile(path).value_or("");
}

HWND HiddenWindow(const TApp& app, const std::string& trace) {
    HWND w = nullptr;
    const std::string shown = app.StartAndHide(trace, w);
    if (!shown.empty()) ADD_FAILURE() << "instead of hiding: " << shown;
    return shown.empty() ? w : nullptr;
}

std::string SeenAddress() {
    TInternetHandle net(InternetOpenW(L"maskaddr-e2e", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!net) return "<failed>";
    std::wstring url = ToWide(Env("MASKADDR_E2E_SERVICE") + "/checkip?format=text");
    // A connection of its own each time: Wine's WinINet would reuse a pooled direct connection
    // to the service for a request meant for the proxy.
    const wchar_t* headers = L"Connection: close\r\n";
    TInternetHandle req(InternetOpenUrlW(net.Get(), url.c_str(), headers, static_cast<DWORD>(-1),
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                             INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES,
                                         0));
    if (!req) return "<failed>";
    std::string body;
    char buf[4096];
    DWORD got = 0;
    while (InternetReadFile(req.Get(), buf, sizeof buf, &got) && got > 0)
        body.append(buf, got);
    size_t at = body.find("IP=");
    if (at != 0) return "<no IP line>";
    return body.substr(3, body.find_first_of("\r\n") - 3);
}

bool StartUnixProgram(const std::string& commandLine) {
    std::wstring command = ToWide(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Runs run-e2e's e2ectl and waits for its outcome: Wine cannot wait for a Unix process, so
// e2ectl writes its exit code to "DIR/NAME.ACTION" when it ends.
static bool RunCtl(const std::string& action, const std::string& name) {
    const std::string dir = Env("MASKADDR_E2E_DIR");
    const std::string done = "Z:" + dir + "/" + name + "." + action;
    TFileSystemWin files;
    files.RemoveFile(done);
    if (!StartUnixProgram("Z:\\bin\\bash " + Env("MASKADDR_E2E_CTL") + " " + dir + " " + action + " " + name))
        return false;
    if (!PumpUntil([&] { return files.FileExists(done); }, 15000)) return false;
    return ReadText(done).rfind("0", 0) == 0;
}

bool Spare(const std::string& action, const std::string& name) {
    return RunCtl(action, name);
}

bool SignedWithThePackagesCertificate(const std::string& file) {
    const std::string dir = "Z:" + Env("MASKADDR_E2E_DIR") + "/";
    const std::string name = file.substr(file.find_last_of('\\') + 1);
    return CopyFileW(ToWide(file).c_str(), ToWide(dir + name).c_str(), FALSE) &&
           CopyFileW(ToWide(Env("MASKADDR_E2E_SIGNING_CERT")).c_str(),
                     ToWide(dir + "signing-certificate.pem").c_str(), FALSE) &&
           RunCtl("verify", name);
}

bool IsDirect(const TProxyState& s) {
    return s.Flags == static_cast<DWORD>(PROXY_TYPE_DIRECT) && s.RegistryEnable.value_or(0) == 0;
}

} // namespace maskaddr::test
