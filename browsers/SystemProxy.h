// The system's own web settings (Internet Explorer and every program that follows
// the WinINet settings): pointed at a proxy "address:port", or back to a direct
// connection with the empty text.
#pragma once

#include <string>

namespace maskaddr {

// Honours "SWITCH.IE" (disabled: every call clears); never reports a failure.
void SetSystemProxy(const std::string& aProxy);
void WriteIEProxyRegistry(const std::string& aProxy);

} // namespace maskaddr
