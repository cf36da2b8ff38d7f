// The URL cache walk (see UrlCacheClearing.h). Each entry's record is fetched at the
// size the cache reports for it; the walk ends when that size query gives 0.
#include "browsers/UrlCacheClearing.h"

#include "base/DebugTrace.h"

namespace maskaddr {

namespace {
void Step(const char* text) {
    DebugTrace::Trace("CLCache", text);
}
} // namespace

void ClearUrlCache(IUrlCache& cache) {
    uint32_t size = cache.FirstEntrySize();
    Step("FindFirstUrlCacheEntry");
    Step("GetMem");
    TUrlCacheEntry entry;
    bool found = cache.FindFirst(size, entry);
    Step("FindFirstUrlCacheEntry");
    while (found) {
        Step("===================================================");
        if ((entry.Type & (kCookieCacheEntry | kUrlHistoryCacheEntry | kNormalCacheEntry)) != 0)
            cache.Delete(entry.SourceUrl);
        DebugTrace::Trace("CLCache", "Delete --- " + entry.SourceUrl);
        Step("Repeat");
        Step("FreeMem");
        size = cache.NextEntrySize();
        Step("FindNextUrlCacheEntry");
        Step("GetMem");
        found = cache.FindNext(size, entry);
    }
    Step("repeat end");
    Step("FreeMem");
    cache.Close();
    Step("FindCloseUrlCache");
}

} // namespace maskaddr
