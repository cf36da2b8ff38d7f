// TCLWebBanner: an embedded browser that shows a page chosen by the "Banner." settings
// of its name: a remote page from its copy in the banner cache (fetched once per run
// through the engine), else a local or remote address used directly. Its links pass
// the engine's "wcme:" handling before the owner's own handler sees them.
#pragma once

#include "framework/components/Component.h"
#include "platform/EmbeddedBrowser.h"

#include <cstdint>
#include <functional>
#include <string>

namespace maskaddr {

class IFileSystem;
class TCLSettings;
class TSingleDownloader;

// What a banner asks of the engine: the cache downloads and the "wcme:" handling of links.
class IBannerEngine {
public:
    virtual ~IBannerEngine() = default;
    virtual void
    DownloadtoCache(const std::string& strURL, const std::string& strCacheFile,
                    std::function<void(TSingleDownloader*, const std::string&, int64_t)> onDone) = 0;
    virtual void DownloadtoCacheCancel(const std::string& strURL) = 0;
    virtual void WebBeforeNavigate2(const std::string& URL, bool& Cancel) = 0;
};

class TCLWebBanner : public TComponent {
public:
    TCLWebBanner(TComponent* owner, IEmbeddedBrowser& browser, IBannerEngine& engine, IFileSystem& files,
                 TCLSettings& settings);
    ~TCLWebBanner() override;

    void Loaded() override;
    void UpdateBanner();

    const std::string& BannerName() const { return FBannerName; }
    void SetBannerName(const std::string& name) { FBannerName = name; }
    const std::string& URL() const { return FURL; }
    void SetURL(const std::string& url) { FURL = url; }
    // Called after the engine has seen a navigation, with the same address and flag.
    std::function<void(const std::string& url, bool& cancel)> OnUserBeforeNavigate2;

    // The cache file of a remote address: the address with "/", ":", "\", "?", "&" and "="
    // as "_", in the folder.
    static std::string GetCacheFileName(const std::string& folder, const std::string& remoteURL);
    // The folder of the cached copies: "Banners" in the user data folder.
    static std::string CacheFolder(TCLSettings& settings);

private:
    void HookBrowser();
    void BannerBeforeNavigate2(const std::string& url, bool& cancel);
    // A direct address with the program's folder put in; empty stays empty.
    std::string DirectAddress(const std::string& setting);

    IEmbeddedBrowser& FBrowser;
    IBannerEngine& FEngine;
    IFileSystem& FFiles;
    TCLSettings& FSettings;
    std::string FBannerName;
    std::string FUrlString; // the remote address whose cache download this banner started last
    std::string FURL;       // the address shown last
};

} // namespace maskaddr
