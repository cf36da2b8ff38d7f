// Clearing the system's URL cache after an automatic change of proxy: cookies,
// history entries and ordinary cached pages go; entries of other kinds stay.
#pragma once

#include "platform/UrlCache.h"

namespace maskaddr {

// Walks the whole cache, tracing each step (the trace shows what was deleted).
void ClearUrlCache(IUrlCache& cache);

} // namespace maskaddr
