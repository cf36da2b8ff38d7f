// The browser switchers of this program (see BrowserSwitchers.h).
#include "browsers/BrowserSwitchers.h"

#include "browsers/Firefox.h"
#include "browsers/Opera.h"
#include "browsers/SystemProxy.h"
#include "browsers/UrlCacheClearing.h"

namespace maskaddr {

void TBrowserSwitchers::SetSystemProxy(const std::string& aProxy) {
    maskaddr::SetSystemProxy(FContext, aProxy);
}
void TBrowserSwitchers::RestoreSystemProxy() {
    maskaddr::RestoreSystemProxy(FContext);
}
void TBrowserSwitchers::SetFirefoxProxy(const std::string& aProxy) {
    maskaddr::SetFirefoxProxy(FContext, aProxy);
}
void TBrowserSwitchers::SetOperaProxy(const std::string& aProxy) {
    maskaddr::SetOperaProxy(FContext, aProxy);
}
void TBrowserSwitchers::ClearUrlCache() {
    maskaddr::ClearUrlCache(*FContext.Facilities.UrlCache);
}
void TBrowserSwitchers::ClearFirefoxCookies() {
    maskaddr::ClearFirefoxCookies(FContext);
}
std::string TBrowserSwitchers::FindFirefoxPath() {
    return maskaddr::FindFirefoxPath(FContext);
}
bool TBrowserSwitchers::IsFirefoxInstalled() {
    return maskaddr::IsFirefoxInstalled(FContext);
}
bool TBrowserSwitchers::IsFirefoxRunning() {
    return maskaddr::IsFirefoxRunning(FContext);
}
bool TBrowserSwitchers::InstallFirefoxExtension() {
    return maskaddr::InstallFirefoxExtension(FContext);
}

} // namespace maskaddr
