// The browser switchers as the hide and stop sequences call them, in the order
// system, Firefox, Opera; and the cookie and cache clearing after a rotation.
#pragma once

#include <string>

namespace maskaddr {

class IBrowserSwitchers {
public:
    virtual ~IBrowserSwitchers() = default;
    virtual void SetSystemProxy(const std::string& aProxy) = 0;
    virtual void SetFirefoxProxy(const std::string& aProxy) = 0;
    virtual void SetOperaProxy(const std::string& aProxy) = 0;
    virtual void ClearUrlCache() = 0;
    virtual void ClearFirefoxCookies() = 0;
};

// The switchers of this program: the system's web settings for real. Firefox and
// Opera switching and the cookie clearing are not part of this program yet; their
// calls are recorded in the debug trace.
class TBrowserSwitchers final : public IBrowserSwitchers {
public:
    void SetSystemProxy(const std::string& aProxy) override;
    void SetFirefoxProxy(const std::string& aProxy) override;
    void SetOperaProxy(const std::string& aProxy) override;
    void ClearUrlCache() override;
    void ClearFirefoxCookies() override;
};

} // namespace maskaddr
