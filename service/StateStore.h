// The service's state that outlives a restart and can be shared: the proxy inventory, the
// latest health result of each proxy with its time, the keep-alive counters and the serial
// number of the signed update replies. SQLite (a
// file beside the configuration; in memory for "") is the embedded default; a
// "postgresql://..." address selects PostgreSQL, shared by several service instances.
#pragma once

#include "service/ServiceLogic.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace maskaddr::service {

struct THealthResult {
    TInventoryProxy Proxy;
    bool Live = false;
    std::string Reason; // why dead; empty when live
    long Ms = 0;
};

class TStateStore {
public:
    virtual ~TStateStore() = default;

    // The inventory becomes exactly `proxies`; health results of proxies no longer in it go.
    void ReplaceInventory(const std::vector<TInventoryProxy>& proxies);
    std::vector<TInventoryProxy> Inventory();
    // The results of an accepted round, stamped with the current time.
    void SaveRound(const std::vector<THealthResult>& results);
    // The inventory proxies whose latest result was live, in inventory order.
    std::vector<TInventoryProxy> LastLive();
    // Counts one keep-alive of proxy `ip` from `client` at `now`, unless a keep-alive of that
    // proxy from that client counted less than a minute before. Nullopt when the store
    // cannot count.
    struct TTouchCount {
        bool Counted = false;
        int Hits = 0; // the proxy's count so far
    };
    std::optional<TTouchCount> Touch(const std::string& ip, const std::string& client, std::time_t now);
    int TouchCount(const std::string& ip);
    // The next serial number of the signed update replies: one more than the last one given
    // by any instance sharing the store, from 1; nullopt when the store cannot count.
    std::optional<uint64_t> NextSerial();

    // One statement with its parameters ($1, $2, ... in the text), all passed as text.
    struct TSql {
        std::string Text;
        std::vector<std::string> Params;
    };
    using TRow = std::vector<std::string>;

protected:
    // Runs the statements in one transaction; the rows of the last one. When one fails, none
    // takes effect and there are no rows. Thread-safe.
    virtual std::vector<TRow> Batch(const std::vector<TSql>& statements) = 0;
    // The tables, created when missing (run once by the engine's opener).
    static const char* const kSchema[];
};

// SQLite for a file path ("" keeps it in memory), PostgreSQL for "postgresql://..." (a
// libpq connection address). Null with a reason when it cannot be opened.
std::unique_ptr<TStateStore> OpenStateStore(const std::string& database, std::string& error);

} // namespace maskaddr::service
