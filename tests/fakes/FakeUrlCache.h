// A URL cache of given entries, each reporting a record size; deletions take effect.
#pragma once

#include "platform/UrlCache.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeUrlCache final : public IUrlCache {
public:
    std::vector<TUrlCacheEntry> Entries;
    std::vector<std::string> Deleted;
    uint32_t FirstEntrySize() override { return SizeAt(0); }
    uint32_t NextEntrySize() override { return SizeAt(FAt + 1); }
    bool FindFirst(uint32_t size, TUrlCacheEntry& e) override { return Fetch(0, size, e); }
    bool FindNext(uint32_t size, TUrlCacheEntry& e) override { return Fetch(FAt + 1, size, e); }
    bool Delete(const std::string& url) override {
        Deleted.push_back(url);
        return true;
    }
    void Close() override { FAt = 0; }

private:
    size_t FAt = 0;
    uint32_t SizeAt(size_t i) const {
        return i < Entries.size() ? static_cast<uint32_t>(80 + Entries[i].SourceUrl.size()) : 0;
    }
    bool Fetch(size_t i, uint32_t size, TUrlCacheEntry& e) {
        if (i >= Entries.size() || size < SizeAt(i)) return false;
        FAt = i;
        e = Entries[i];
        return true;
    }
};

} // namespace maskaddr::test
