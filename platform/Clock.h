// The wall clock (days since 30 December 1899): local time, and the same moment in UTC for
// comparing with times that others stamped.
#pragma once

#include "base/DateTime.h"

namespace maskaddr {

class IClock {
public:
    virtual ~IClock() = default;
    virtual TDateTime Now() = 0;
    virtual TDateTime UtcNow() = 0;
};

} // namespace maskaddr
