// Canned HTTP replies by URL, or by proxy and URL (a missing one fails), and every
// request asked for ("URL", or "PROXY URL"). Worker threads call it, so it guards itself.
#pragma once

#include "platform/DirectHttp.h"

#include <map>
#include <mutex>
#include <vector>

namespace maskaddr::test {

class TFakeDirectHttp final : public IDirectHttp {
public:
    void SetReply(const std::string& url, std::string body) {
        std::lock_guard lock(FMutex);
        FReplies[url] = std::move(body);
    }
    void SetProxyReply(const std::string& proxy, const std::string& url, std::string body) {
        SetReply(proxy + " " + url, std::move(body));
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(FMutex);
        return FRequests;
    }
    std::optional<std::string> Get(const std::string& url) override {
        std::lock_guard lock(FMutex);
        FRequests.push_back(url);
        auto it = FReplies.find(url);
        return it == FReplies.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    // A proxy without a reply refuses, or times out when so set.
    void SetProxyTimesOut(const std::string& proxy, bool timesOut) {
        std::lock_guard lock(FMutex);
        FTimesOut[proxy] = timesOut;
    }
    std::optional<std::string> GetThroughProxy(const std::string& url, const std::string& proxy, int,
                                               THttpFailure* failure) override {
        std::optional<std::string> reply = Get(proxy + " " + url);
        if (!reply && failure != nullptr) {
            std::lock_guard lock(FMutex);
            *failure = FTimesOut[proxy] ? THttpFailure::TimedOut : THttpFailure::Refused;
        }
        return reply;
    }

private:
    std::mutex FMutex;
    std::map<std::string, std::string> FReplies;
    std::vector<std::string> FRequests;
    std::map<std::string, bool> FTimesOut;
};

} // namespace maskaddr::test
