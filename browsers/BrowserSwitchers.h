// The browser switchers as the hide and stop sequences call them, in the order
// system, Firefox, Opera; the cookie and cache clearing after a rotation; and the
// Firefox set-up that the main window and the settings dialog use.
#pragma once

#include "browsers/BrowserContext.h"

#include <string>

namespace maskaddr {

// Finding Firefox and installing the extension through which it follows the hiding.
class IFirefoxSetup {
public:
    virtual ~IFirefoxSetup() = default;
    virtual std::string FindFirefoxPath() = 0;
    virtual bool IsFirefoxInstalled() = 0;
    virtual bool IsFirefoxRunning() = 0;
    virtual bool InstallFirefoxExtension() = 0;
};

class IBrowserSwitchers {
public:
    virtual ~IBrowserSwitchers() = default;
    virtual void SetSystemProxy(const std::string& aProxy) = 0;
    // A stop of the system settings that keeps the user's own (see SystemProxy.h).
    virtual void RestoreSystemProxy() = 0;
    virtual void SetFirefoxProxy(const std::string& aProxy) = 0;
    virtual void SetOperaProxy(const std::string& aProxy) = 0;
    virtual void ClearUrlCache() = 0;
    virtual void ClearFirefoxCookies() = 0;
    virtual IFirefoxSetup& Firefox() = 0;
};

// The switchers of this program, on the platform and settings store they are given.
class TBrowserSwitchers final : public IBrowserSwitchers, public IFirefoxSetup {
public:
    explicit TBrowserSwitchers(const TBrowserContext& context) : FContext(context) {}
    void SetSystemProxy(const std::string& aProxy) override;
    void RestoreSystemProxy() override;
    void SetFirefoxProxy(const std::string& aProxy) override;
    void SetOperaProxy(const std::string& aProxy) override;
    void ClearUrlCache() override;
    void ClearFirefoxCookies() override;
    IFirefoxSetup& Firefox() override { return *this; }

    std::string FindFirefoxPath() override;
    bool IsFirefoxInstalled() override;
    bool IsFirefoxRunning() override;
    bool InstallFirefoxExtension() override;

private:
    TBrowserContext FContext;
};

} // namespace maskaddr
