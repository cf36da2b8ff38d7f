// Canned HTTP replies by URL (a missing URL fails), and every URL asked for. Worker
// threads call it, so it guards itself.
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

private:
    std::mutex FMutex;
    std::map<std::string, std::string> FReplies;
    std::vector<std::string> FRequests;
};

} // namespace maskaddr::test
