// The web banner's choice of address and its cache downloads (see WebBanner.h).
#include "framework/engine/WebBanner.h"

#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/FileSystem.h"

namespace maskaddr {

TCLWebBanner::TCLWebBanner(TComponent* owner, IEmbeddedBrowser& browser, IBannerEngine& engine,
                           IFileSystem& files, TCLSettings& settings)
    : TComponent(owner, "CLWebBanner", "TCLWebBanner"), FBrowser(browser), FEngine(engine), FFiles(files),
      FSettings(settings) {
    Publish(TextProperty("BannerName", "string", &FBannerName));
    Publish(TextProperty("URL", "string", &FURL));
}

// The download itself goes on and still fills the cache; only its completion call goes.
TCLWebBanner::~TCLWebBanner() {
    FBrowser.OnBeforeNavigate2 = nullptr;
    if (!FUrlString.empty()) FEngine.DownloadtoCacheCancel(FUrlString);
}

void TCLWebBanner::Loaded() {
    if (!FBannerName.empty()) UpdateBanner();
    HookBrowser();
}

std::string TCLWebBanner::CacheFolder(TCLSettings& settings) {
    return settings.UserDataPath() + "Banners";
}

std::string TCLWebBanner::GetCacheFileName(const std::string& folder, const std::string& remoteURL) {
    std::string name = remoteURL;
    for (char& c : name)
        if (c == '/' || c == ':' || c == '\\' || c == '?' || c == '&' || c == '=') c = '_';
    return ResolvePath(folder, name);
}

std::string TCLWebBanner::DirectAddress(const std::string& setting) {
    return setting.empty() ? setting : ReplaceExePath(FFiles, setting);
}

// The preferred pair (".RemoteURLA", ".URLA") first, then the second pair; a remote
// address counts only through its cached copy. A remote address whose copy is missing
// is fetched for the next update; a copy once there is never fetched again, so new
// content comes with a new address.
void TCLWebBanner::UpdateBanner() {
    HookBrowser();
    TCLSettings& settings = FSettings;
    IFileSystem& files = FFiles;
    const std::string key = "Banner." + FBannerName;
    const std::string folder = CacheFolder(settings);
    std::string shown, cache;
    std::string remote = settings.GetSettingString(key + ".RemoteURLA");
    if (!remote.empty()) {
        cache = GetCacheFileName(folder, remote);
        if (files.FileExists(cache)) shown = cache;
    }
    if (shown.empty()) shown = DirectAddress(settings.GetSettingString(key + ".URLA"));
    if (remote.empty()) {
        remote = settings.GetSettingString(key + ".RemoteURL");
        if (!remote.empty()) {
            cache = GetCacheFileName(folder, remote);
            if (files.FileExists(cache)) shown = cache;
        }
    }
    if (shown.empty()) shown = DirectAddress(settings.GetSettingString(key + ".URL"));
    FURL = shown;
    FBrowser.Navigate(shown);
    if (!remote.empty() && cache != shown) {
        if (!FUrlString.empty()) FEngine.DownloadtoCacheCancel(FUrlString);
        FEngine.DownloadtoCache(remote, cache, nullptr);
        FUrlString = remote;
    }
}

void TCLWebBanner::HookBrowser() {
    FBrowser.OnBeforeNavigate2 = [this](const std::string& url, bool& cancel) {
        BannerBeforeNavigate2(url, cancel);
    };
}

void TCLWebBanner::BannerBeforeNavigate2(const std::string& url, bool& cancel) {
    FEngine.WebBeforeNavigate2(url, cancel);
    if (OnUserBeforeNavigate2) OnUserBeforeNavigate2(url, cancel);
}

} // namespace maskaddr
