// The browser switchers of this program (see BrowserSwitchers.h).
#include "browsers/BrowserSwitchers.h"

#include "browsers/SystemProxy.h"
#include "base/DebugTrace.h"

namespace maskaddr {

void TBrowserSwitchers::SetSystemProxy(const std::string& aProxy) {
    maskaddr::SetSystemProxy(aProxy);
}
void TBrowserSwitchers::SetFirefoxProxy(const std::string& aProxy) {
    DebugTrace::Trace("CLProxy", "Firefox switching not available: " + aProxy);
}
void TBrowserSwitchers::SetOperaProxy(const std::string& aProxy) {
    DebugTrace::Trace("CLProxy", "Opera switching not available: " + aProxy);
}
void TBrowserSwitchers::ClearUrlCache() {
    DebugTrace::Trace("CLProxy", "URL cache clearing not available");
}
void TBrowserSwitchers::ClearFirefoxCookies() {
    DebugTrace::Trace("CLProxy", "Firefox cookie clearing not available");
}

} // namespace maskaddr
