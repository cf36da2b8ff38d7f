// The service's state that outlives a restart, in SQLite: the proxy inventory, the latest
// health result of each proxy with its time, and the keep-alive counters. A file beside the
// configuration by default; in memory when no file is named (the tests).
#pragma once

#include "service/ServiceLogic.h"

#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace maskaddr::service {

struct THealthResult {
    TInventoryProxy Proxy;
    bool Live = false;
    std::string Reason; // why dead; empty when live
    long Ms = 0;
};

class TStateStore {
public:
    TStateStore() = default;
    ~TStateStore();
    TStateStore(const TStateStore&) = delete;
    TStateStore& operator=(const TStateStore&) = delete;

    // Opens (creating) the database at `path`; "" keeps it in memory. False with a reason.
    bool Open(const std::string& path, std::string& error);
    // The inventory becomes exactly `proxies`; health results of proxies no longer in it go.
    void ReplaceInventory(const std::vector<TInventoryProxy>& proxies);
    // The results of an accepted round, stamped with the current time.
    void SaveRound(const std::vector<THealthResult>& results);
    // The inventory proxies whose latest result was live, in inventory order.
    std::vector<TInventoryProxy> LastLive();
    // Counts one keep-alive of `ip`; returns its count so far.
    int Touch(const std::string& ip);
    int TouchCount(const std::string& ip);

private:
    bool Exec(const char* sql);
    int CountOf(const std::string& ip); // FLock held

    std::mutex FLock; // one connection, used from the server's and the health threads
    sqlite3* FDb = nullptr;
};

} // namespace maskaddr::service
