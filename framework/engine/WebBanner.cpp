// The web banner's choice of address and its cache downloads (see WebBanner.h).
#include "framework/engine/WebBanner.h"

#include "framework/engine/CLEngine.h"
#include "framework/paths/AppPaths.h"
#include "framework/settings/CLSettings.h"
#include "platform/Platform.h"

namespace maskaddr {

TCLWebBanner::TCLWebBanner(TComponent* owner, IEmbeddedBrowser& browser)
    : TComponent(owner, "CLWebBanner", "TCLWebBanner"), FBrowser(browser) {
    Publish(TextProperty("BannerName", "string", &FBannerName));
    Publish(TextProperty("URL", "string", &FURL));
}

// The download itself goes on and still fills the cache; only its completion call goes.
TCLWebBanner::~TCLWebBanner() {
    FBrowser.OnBeforeNavigate2 = nullptr;
    if (!FUrlString.empty() && Engine() != nullptr) Engine()->DownloadtoCacheCancel(FUrlString);
}

void TCLWebBanner::Loaded() {
    if (!FBannerName.empty()) UpdateBanner();
    HookBrowser();
}

std::string TCLWebBanner::CacheFolder() {
    return Settings().UserDataPath() + "Banners";
}

std::string TCLWebBanner::GetCacheFileName(const std::string& folder, const std::string& remoteURL) {
    std::string name = remoteURL;
    for (char& c : name)
        if (c == '/' || c == ':' || c == '\\' || c == '?' || c == '&' || c == '=') c = '_';
    return ResolvePath(folder, name);
}

std::string TCLWebBanner::DirectAddress(const std::string& setting) {
    return setting.empty() ? setting : ReplaceExePath(setting);
}

// The preferred pair (".RemoteURLA", ".URLA") first, then the second pair; a remote
// address counts only through its cached copy. A remote address whose copy is missing
// is fetched for the next update; a copy once there is never fetched again, so new
// content comes with a new address.
void TCLWebBanner::UpdateBanner() {
    HookBrowser();
    TCLSettings& settings = Settings();
    IFileSystem& files = *Platform().Files;
    const std::string key = "Banner." + FBannerName;
    const std::string folder = CacheFolder();
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
    if (!remote.empty() && cache != shown && Engine() != nullptr) {
        if (!FUrlString.empty()) Engine()->DownloadtoCacheCancel(FUrlString);
        Engine()->DownloadtoCache(remote, cache, nullptr);
        FUrlString = remote;
    }
}

void TCLWebBanner::HookBrowser() {
    FBrowser.OnBeforeNavigate2 = [this](const std::string& url, bool& cancel) {
        BannerBeforeNavigate2(url, cancel);
    };
}

void TCLWebBanner::BannerBeforeNavigate2(const std::string& url, bool& cancel) {
    if (Engine() != nullptr) Engine()->WebBeforeNavigate2(url, cancel);
    if (OnUserBeforeNavigate2) OnUserBeforeNavigate2(url, cancel);
}

} // namespace maskaddr
