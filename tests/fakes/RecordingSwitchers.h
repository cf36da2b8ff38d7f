// The browser switchers, recorded: "system PROXY", "firefox PROXY", "opera PROXY"
// for each proxy applied (empty: a direct connection), "cache" and "cookies".
#pragma once

#include "browsers/BrowserSwitchers.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TRecordingSwitchers final : public IBrowserSwitchers {
public:
    std::vector<std::string> Calls;
    void SetSystemProxy(const std::string& p) override { Calls.push_back("system " + p); }
    void SetFirefoxProxy(const std::string& p) override { Calls.push_back("firefox " + p); }
    void SetOperaProxy(const std::string& p) override { Calls.push_back("opera " + p); }
    void ClearUrlCache() override { Calls.push_back("cache"); }
    void ClearFirefoxCookies() override { Calls.push_back("cookies"); }
};

} // namespace maskaddr::test
