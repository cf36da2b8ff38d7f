// Canned HTTP replies by host, port and path without query (status, optional length header, body),
// for the download worker's threads; every request is recorded. A test can hold transfers at
// their reads, to act while they are under way.
#pragma once

#include "platform/InetClient.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace maskaddr::test {

class TFakeInetClient final : public IInetClient {
public:
    struct TReply {
        int Status = 200;
        bool LengthHeader = true;
        std::string Body;
    };
    void SetReply(const std::string& hostPortPath, TReply reply) {
        std::lock_guard lock(FMutex);
        FReplies[hostPortPath] = std::move(reply);
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(FMutex);
        return FRequests;
    }
    std::unique_ptr<IInetTransfer> NewTransfer() override { return std::make_unique<TTransfer>(*this); }
    void Hold() {
        std::lock_guard lock(FMutex);
        FHeld = true;
    }
    // Waits (ten seconds at most) until a transfer is held in its read; false when none came.
    bool AwaitHeldRead() {
        std::unique_lock lock(FMutex);
        return FChanged.wait_for(lock, std::chrono::seconds(10), [&] { return FWaiting > 0; });
    }
    void Release() {
        std::lock_guard lock(FMutex);
        FHeld = false;
        FChanged.notify_all();
    }

private:
    class TTransfer final : public IInetTransfer {
    public:
        explicit TTransfer(TFakeInetClient& c) : FClient(c) {}
        bool Send(const TInetRequest& r) override {
            std::lock_guard lock(FClient.FMutex);
            std::string key = r.Host + ":" + std::to_string(r.Port) + r.Path.substr(0, r.Path.find('?'));
            FClient.FRequests.push_back(r.Verb + " " + r.Host + ":" + std::to_string(r.Port) + r.Path);
            auto it = FClient.FReplies.find(key);
            if (it == FClient.FReplies.end()) return false;
            FReply = it->second;
            return true;
        }
        int StatusCode() override { return FReply.Status; }
        std::optional<int64_t> ContentLength() override {
            if (!FReply.LengthHeader) return std::nullopt;
            return static_cast<int64_t>(FReply.Body.size());
        }
        bool Read(char* buffer, uint32_t size, uint32_t& got) override {
            std::unique_lock lock(FClient.FMutex);
            ++FClient.FWaiting;
            FClient.FChanged.notify_all();
            FClient.FChanged.wait(lock, [&] { return !FClient.FHeld; });
            --FClient.FWaiting;
            lock.unlock();
            got = static_cast<uint32_t>(std::min<size_t>(size, FReply.Body.size() - FPos));
            std::copy_n(FReply.Body.data() + FPos, got, buffer);
            FPos += got;
            return true;
        }

    private:
        TFakeInetClient& FClient;
        TReply FReply;
        size_t FPos = 0;
    };

    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FHeld = false;
    int FWaiting = 0;
    std::map<std::string, TReply> FReplies;
    std::vector<std::string> FRequests;
};

} // namespace maskaddr::test
