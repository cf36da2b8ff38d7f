// The engine's download part (see CacheDownloads.h).
#include "framework/engine/CacheDownloads.h"

#include "base/Text.h"
#include "framework/engine/SingleDownloader.h"
#include "framework/paths/AppPaths.h"

#include <utility>

namespace maskaddr {

TCacheDownloads::TCacheDownloads(const TPlatform& platform) : FPlatform(platform) {}

TCacheDownloads::~TCacheDownloads() = default;

void TCacheDownloads::DownloadtoCache(const std::string& strURL, const std::string& strCacheFile,
                                      TOnDone onDone) {
    for (const std::string& started : FStarted)
        if (SameText(started, strURL)) return;
    auto worker = std::make_unique<TSingleDownloader>(nullptr, FPlatform);
    FStarted.push_back(strURL);
    const std::string folder = FolderOf(strCacheFile);
    if (!folder.empty()) FPlatform.Files->CreateFolders(folder);
    worker->URL = strURL;
    worker->FileName = strCacheFile;
    worker->MaxBytes = 1024 * 1024; // banner pictures and pages are small
    worker->OnDoneFile = std::move(onDone);
    worker->GetFile();
    FDownloaders.push_back(std::move(worker));
}

void TCacheDownloads::DownloadtoCacheCancel(const std::string& strURL) {
    for (size_t i = 0; i < FDownloaders.size() && i < FStarted.size(); ++i)
        if (SameText(FStarted[i], strURL)) FDownloaders[i]->OnDoneFile = nullptr;
}

} // namespace maskaddr
