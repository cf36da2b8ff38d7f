// The service's lasting state: the rules written once in SQL that SQLite and PostgreSQL
// both understand, and the two engines that run it.
#include "service/StateStore.h"

#include <pqxx/pqxx>
#include <sqlite3.h>

#include <charconv>
#include <ctime>
#include <mutex>
#include <random>

namespace maskaddr::service {

const char* const TStateStore::kSchema[] = {
    "CREATE TABLE IF NOT EXISTS inventory (pos INTEGER, ip TEXT, port INTEGER, name TEXT, code TEXT,"
    " longitude TEXT, latitude TEXT, is_super INTEGER, PRIMARY KEY (ip, port))",
    "CREATE TABLE IF NOT EXISTS health (ip TEXT, port INTEGER, live INTEGER, reason TEXT, ms INTEGER,"
    " checked_at BIGINT, PRIMARY KEY (ip, port))",
    "CREATE TABLE IF NOT EXISTS touches (ip TEXT PRIMARY KEY, hits INTEGER, last_at BIGINT)",
    // The last counted keep-alive of each proxy from each client address, kept for a minute;
    // `nonce` names the call that counted it.
    "CREATE TABLE IF NOT EXISTS touch_clients (ip TEXT, client TEXT, last_at BIGINT, nonce TEXT,"
    " PRIMARY KEY (ip, client))",
    "CREATE INDEX IF NOT EXISTS touch_clients_at ON touch_clients (last_at)",
    // One row: the last serial number given to a signed update reply.
    "CREATE TABLE IF NOT EXISTS update_serial (id INTEGER PRIMARY KEY CHECK (id = 1),"
    " last_serial BIGINT NOT NULL)",
};

namespace {

std::string Now() {
    return std::to_string(static_cast<long long>(std::time(nullptr)));
}

const char* const kInventoryColumns = "i.ip, i.port, i.name, i.code, i.longitude, i.latitude, i.is_super";

std::vector<TInventoryProxy> Proxies(const std::vector<TStateStore::TRow>& rows) {
    std::vector<TInventoryProxy> proxies;
    for (const TStateStore::TRow& r : rows)
        proxies.push_back(
            {r[0], static_cast<uint16_t>(std::stoi(r[1])), r[2], r[3], r[4], r[5], r[6] != "0"});
    return proxies;
}

class TSqliteStore final : public TStateStore {
public:
    ~TSqliteStore() override { sqlite3_close(FDb); }

    bool Open(const std::string& path, std::string& error) {
        if (sqlite3_open(path.empty() ? ":memory:" : path.c_str(), &FDb) != SQLITE_OK) {
            error = "cannot open the database " + path + ": " + sqlite3_errmsg(FDb);
            return false;
        }
        sqlite3_busy_timeout(FDb, 2000);
        // WAL: readers never wait for a round's writes; NORMAL: no sync per keep-alive.
        bool ok = sqlite3_exec(FDb, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                               nullptr) == SQLITE_OK;
        for (const char* table : kSchema)
            ok = ok && sqlite3_exec(FDb, table, nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok) error = "cannot set up the database " + path + ": " + sqlite3_errmsg(FDb);
        return ok;
    }

protected:
    std::vector<TRow> Batch(const std::vector<TSql>& statements) override {
        std::lock_guard<std::mutex> hold(FLock);
        std::vector<TRow> rows;
        bool ok = sqlite3_exec(FDb, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
        for (size_t i = 0; ok && i < statements.size(); ++i)
            ok = Run(statements[i], rows);
        ok = ok && sqlite3_exec(FDb, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok) {
            sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
            rows.clear();
        }
        return rows;
    }

private:
    // One statement; its rows replace `rows`. False when it cannot be run to its end.
    bool Run(const TSql& sql, std::vector<TRow>& rows) {
        rows.clear();
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(FDb, sql.Text.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return false;
        // SQLite numbers "$N" parameters in the order they first appear: they are bound by name.
        for (size_t i = 0; i < sql.Params.size(); ++i)
            sqlite3_bind_text(stmt, sqlite3_bind_parameter_index(stmt, ("$" + std::to_string(i + 1)).c_str()),
                              sql.Params[i].c_str(), -1, SQLITE_TRANSIENT);
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
            TRow row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row.push_back(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        return step == SQLITE_DONE;
    }

    std::mutex FLock; // one connection, used from the server's and the health threads
    sqlite3* FDb = nullptr;
};

class TPostgresStore final : public TStateStore {
public:
    bool Open(const std::string& address, std::string& error) {
        try {
            FConnection = std::make_unique<pqxx::connection>(address);
            pqxx::work work(*FConnection);
            for (const char* table : kSchema)
                work.exec(table);
            work.commit();
            return true;
        } catch (const std::exception& e) {
            error = std::string("cannot open the database ") + address + ": " + e.what();
            return false;
        }
    }

protected:
    std::vector<TRow> Batch(const std::vector<TSql>& statements) override {
        std::lock_guard<std::mutex> hold(FLock);
        std::vector<TRow> rows;
        try {
            pqxx::work work(*FConnection);
            for (const TSql& sql : statements) {
                pqxx::result result =
                    work.exec_params(sql.Text, pqxx::prepare::make_dynamic_params(sql.Params));
                rows.clear();
                for (const pqxx::row& r : result) {
                    TRow row;
                    for (const pqxx::field& f : r)
                        row.push_back(f.is_null() ? "" : f.c_str());
                    rows.push_back(std::move(row));
                }
            }
            work.commit();
        } catch (const std::exception&) {
            // A lost connection or a conflict: this change is lost, the next one tries again.
            rows.clear();
        }
        return rows;
    }

private:
    std::mutex FLock; // one connection per instance
    std::unique_ptr<pqxx::connection> FConnection;
};

} // namespace

void TStateStore::ReplaceInventory(const std::vector<TInventoryProxy>& proxies) {
    std::vector<TSql> batch{{"DELETE FROM inventory", {}}};
    for (const TInventoryProxy& p : proxies)
        batch.push_back({"INSERT INTO inventory VALUES ($1, $2, $3, $4, $5, $6, $7, $8)"
                         " ON CONFLICT (ip, port) DO NOTHING",
                         {std::to_string(batch.size()), p.IP, std::to_string(p.Port), p.Name, p.Code,
                          p.Longitude, p.Latitude, p.IsSuper ? "1" : "0"}});
    batch.push_back({"DELETE FROM health WHERE NOT EXISTS (SELECT 1 FROM inventory i"
                     " WHERE i.ip = health.ip AND i.port = health.port)",
                     {}});
    Batch(batch);
}

std::vector<TInventoryProxy> TStateStore::Inventory() {
    return Proxies(
        Batch({{std::string("SELECT ") + kInventoryColumns + " FROM inventory i ORDER BY i.pos", {}}}));
}

void TStateStore::SaveRound(const std::vector<THealthResult>& results) {
    std::vector<TSql> batch;
    const std::string now = Now();
    for (const THealthResult& r : results)
        batch.push_back(
            {"INSERT INTO health VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (ip, port) DO UPDATE SET"
             " live = excluded.live, reason = excluded.reason, ms = excluded.ms,"
             " checked_at = excluded.checked_at",
             {r.Proxy.IP, std::to_string(r.Proxy.Port), r.Live ? "1" : "0", r.Reason, std::to_string(r.Ms),
              now}});
    Batch(batch);
}

std::vector<TInventoryProxy> TStateStore::LastLive() {
    return Proxies(Batch({{std::string("SELECT ") + kInventoryColumns +
                               " FROM inventory i JOIN health h ON h.ip = i.ip AND h.port = i.port"
                               " WHERE h.live = 1 ORDER BY i.pos",
                           {}}}));
}

// One transaction, so that instances sharing the store count a client's minute once between
// them: the client's row takes this call's nonce only when its last count is a minute old,
// and only then does the proxy's count grow.
std::optional<TStateStore::TTouchCount> TStateStore::Touch(const std::string& ip, const std::string& client,
                                                           std::time_t now) {
    std::random_device random;
    const std::string at = std::to_string(static_cast<long long>(now));
    const std::string nonce = std::to_string(random()) + "-" + std::to_string(random());
    auto rows = Batch(
        {{"DELETE FROM touch_clients WHERE last_at < CAST($1 AS BIGINT) - 60", {at}},
         {"INSERT INTO touch_clients VALUES ($1, $2, $3, $4) ON CONFLICT (ip, client) DO UPDATE SET"
          " last_at = excluded.last_at, nonce = excluded.nonce"
          " WHERE touch_clients.last_at <= excluded.last_at - 60",
          {ip, client, at, nonce}},
         {"INSERT INTO touches SELECT $1, 1, CAST($2 AS BIGINT) WHERE EXISTS (SELECT 1 FROM touch_clients"
          " WHERE ip = $1 AND client = $3 AND nonce = $4) ON CONFLICT (ip) DO UPDATE SET"
          " hits = touches.hits + 1, last_at = excluded.last_at",
          {ip, at, client, nonce}},
         {"SELECT t.hits, CASE WHEN c.nonce = $3 THEN 1 ELSE 0 END FROM touches t JOIN touch_clients c"
          " ON c.ip = t.ip WHERE t.ip = $1 AND c.client = $2",
          {ip, client, nonce}}});
    if (rows.size() != 1 || rows[0].size() != 2) return std::nullopt;
    return TTouchCount{rows[0][1] == "1", std::stoi(rows[0][0])};
}

int TStateStore::TouchCount(const std::string& ip) {
    auto rows = Batch({{"SELECT hits FROM touches WHERE ip = $1", {ip}}});
    return rows.empty() ? 0 : std::stoi(rows[0][0]);
}

std::optional<uint64_t> TStateStore::NextSerial() {
    // One statement, so two instances counting at once each get their own number.
    auto rows = Batch({{"INSERT INTO update_serial VALUES (1, 1) ON CONFLICT (id) DO UPDATE SET"
                        " last_serial = update_serial.last_serial + 1 RETURNING last_serial",
                        {}}});
    uint64_t serial = 0;
    if (rows.size() != 1 || rows[0].size() != 1) return std::nullopt;
    const std::string& text = rows[0][0];
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), serial);
    if (ec != std::errc() || end != text.data() + text.size() || serial == 0) return std::nullopt;
    return serial;
}

std::unique_ptr<TStateStore> OpenStateStore(const std::string& database, std::string& error) {
    if (database.rfind("postgresql://", 0) == 0) {
        auto store = std::make_unique<TPostgresStore>();
        if (!store->Open(database, error)) return nullptr;
        return store;
    }
    auto store = std::make_unique<TSqliteStore>();
    if (!store->Open(database, error)) return nullptr;
    return store;
}

} // namespace maskaddr::service
