// The system's own web settings (Internet Explorer and every program that follows
// the WinINet settings): pointed at a proxy "address:port", or back to a direct
// connection with the empty text.
#pragma once

#include "browsers/BrowserContext.h"

#include <string>

namespace maskaddr {

// Honours "SWITCH.IE" (disabled: every call clears); never reports a failure. The user's
// own settings are kept before the first hide and put back by the clearing call.
void SetSystemProxy(const TBrowserContext& c, const std::string& aProxy);
// A stop that cannot have followed a hide of this run (start-up, an end while not hiding):
// puts kept settings back; without them, a direct connection only when the settings name
// an address of our pool, else they stay the user's own.
void RestoreSystemProxy(const TBrowserContext& c);
void WriteIEProxyRegistry(const TBrowserContext& c, const std::string& aProxy);

} // namespace maskaddr
