// The browser switchers of this program (see BrowserSwitchers.h).
#include "browsers/BrowserSwitchers.h"

#include "browsers/Firefox.h"
#include "browsers/Opera.h"
#include "browsers/SystemProxy.h"
#include "browsers/UrlCacheClearing.h"

namespace maskaddr {

void TBrowserSwitchers::SetSystemProxy(const std::string& aProxy) {
    maskaddr::SetSystemProxy(aProxy);
}
void TBrowserSwitchers::RestoreSystemProxy() {
    maskaddr::RestoreSystemProxy();
}
void TBrowserSwitchers::SetFirefoxProxy(const std::string& aProxy) {
    maskaddr::SetFirefoxProxy(aProxy);
}
void TBrowserSwitchers::SetOperaProxy(const std::string& aProxy) {
    maskaddr::SetOperaProxy(aProxy);
}
void TBrowserSwitchers::ClearUrlCache() {
    maskaddr::ClearUrlCache();
}
void TBrowserSwitchers::ClearFirefoxCookies() {
    maskaddr::ClearFirefoxCookies();
}
std::string TBrowserSwitchers::FindFirefoxPath() {
    return maskaddr::FindFirefoxPath();
}
bool TBrowserSwitchers::IsFirefoxInstalled() {
    return maskaddr::IsFirefoxInstalled();
}
bool TBrowserSwitchers::IsFirefoxRunning() {
    return maskaddr::IsFirefoxRunning();
}
bool TBrowserSwitchers::InstallFirefoxExtension() {
    return maskaddr::InstallFirefoxExtension();
}

} // namespace maskaddr
