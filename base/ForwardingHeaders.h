// The request headers through which a proxy passes on its client's address
// (X-Forwarded-For, Forwarded, Via, X-Real-IP, ...), and whether such a header's value
// names a given address. The service reports them; the program judges them.
#pragma once

#include <string_view>

namespace maskaddr {

// Compared without regard to case.
bool IsForwardingHeader(std::string_view name);

// True when `value` holds `address` as a whole token ("for=", brackets, quotes, commas
// and blanks separate; "address:port" counts), so 10.0.0.1 is not found in 10.0.0.12.
bool NamesAddress(std::string_view value, std::string_view address);

} // namespace maskaddr
