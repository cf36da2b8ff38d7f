// The browser switchers, recorded: "system PROXY", "firefox PROXY", "opera PROXY"
// for each proxy applied (empty: a direct connection), "system restore" for a
// stop that leaves the user's own system settings alone, "cache" and "cookies", and
// "install" for each installation of the Firefox extension.
#pragma once

#include "browsers/BrowserSwitchers.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TRecordingSwitchers final : public IBrowserSwitchers {
public:
    std::vector<std::string> Calls;
    void SetSystemProxy(const std::string& p) override { Calls.push_back("system " + p); }
    void RestoreSystemProxy() override { Calls.push_back("system restore"); }
    void SetFirefoxProxy(const std::string& p) override { Calls.push_back("firefox " + p); }
    void SetOperaProxy(const std::string& p) override { Calls.push_back("opera " + p); }
    void ClearUrlCache() override { Calls.push_back("cache"); }
    void ClearFirefoxCookies() override { Calls.push_back("cookies"); }
    // Firefox set-up, as a test sets it.
    struct TSetup final : IFirefoxSetup {
        std::vector<std::string>& Calls;
        bool Installed = false, Running = false, InstallStarts = true;
        explicit TSetup(std::vector<std::string>& calls) : Calls(calls) {}
        std::string FindFirefoxPath() override { return Installed ? "C:\\Firefox\\firefox.exe" : ""; }
        bool IsFirefoxInstalled() override { return Installed; }
        bool IsFirefoxRunning() override { return Running; }
        bool InstallFirefoxExtension() override {
            Calls.push_back("install");
            return InstallStarts;
        }
    } Setup{Calls};
    IFirefoxSetup& Firefox() override { return Setup; }
};

} // namespace maskaddr::test
