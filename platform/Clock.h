// The wall clock, as local date-time (days since 30 December 1899).
#pragma once

#include "base/DateTime.h"

namespace maskaddr {

class IClock {
public:
    virtual ~IClock() = default;
    virtual TDateTime Now() = 0;
};

} // namespace maskaddr
