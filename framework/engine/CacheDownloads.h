// TCacheDownloads: the engine's download part. It fetches an address into a cache file at
// most once per run (banner pictures and pages), and can drop the completion call of one
// that is still under way while the download itself goes on and fills the cache.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maskaddr {

class TSingleDownloader;

class TCacheDownloads {
public:
    using TOnDone = std::function<void(TSingleDownloader*, const std::string&, int64_t)>;
    explicit TCacheDownloads(const TPlatform& platform);
    ~TCacheDownloads();
    TCacheDownloads(const TCacheDownloads&) = delete;
    TCacheDownloads& operator=(const TCacheDownloads&) = delete;

    void DownloadtoCache(const std::string& strURL, const std::string& strCacheFile, TOnDone onDone);
    void DownloadtoCacheCancel(const std::string& strURL);

private:
    TPlatform FPlatform;
    std::vector<std::string> FStarted; // by address, in the order of FDownloaders
    std::vector<std::unique_ptr<TSingleDownloader>> FDownloaders;
};

} // namespace maskaddr
