// The system's URL cache (cookies, history, cached pages) as an enumeration that
// reports the size of each entry's record before fetching it, and deletion by URL.
#pragma once

#include <cstdint>
#include <string>

namespace maskaddr {

struct TUrlCacheEntry {
    uint32_t Type = 0; // the cache entry type bits
    std::string SourceUrl;
};

constexpr uint32_t kNormalCacheEntry = 0x00000001;
constexpr uint32_t kCookieCacheEntry = 0x00100000;
constexpr uint32_t kUrlHistoryCacheEntry = 0x00200000;

// One enumeration at a time; Close ends it (also one that never started).
class IUrlCache {
public:
    virtual ~IUrlCache() = default;
    // The record size of the first (next) entry, asked without a buffer; 0 when there is none.
    virtual uint32_t FirstEntrySize() = 0;
    virtual uint32_t NextEntrySize() = 0;
    // Fetches the first (next) entry into a record of `size` bytes; false when that fails,
    // which for the first entry means no enumeration was opened.
    virtual bool FindFirst(uint32_t size, TUrlCacheEntry& entry) = 0;
    virtual bool FindNext(uint32_t size, TUrlCacheEntry& entry) = 0;
    virtual bool Delete(const std::string& sourceUrl) = 0;
    virtual void Close() = 0;
};

} // namespace maskaddr
