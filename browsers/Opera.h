// Opera follows the hiding through its preference file: the proxy keys of section
// "Proxy" in the first of its two preference files that exists.
#pragma once

#include <string>

namespace maskaddr {

// Honours "SWITCH.OPERA" (disabled: every call clears). Without a preference file nothing
// is written; a failed write is traced and never interrupts the caller.
void SetOperaProxy(const std::string& aProxy);

} // namespace maskaddr
