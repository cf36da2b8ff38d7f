// The service's lasting state in SQLite: tables inventory, health and touches.
#include "service/StateStore.h"

#include <sqlite3.h>

#include <ctime>

namespace maskaddr::service {
namespace {

// A prepared statement, finalised when it goes out of scope.
class TStatement {
public:
    TStatement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr); }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;
    TStatement& Bind(int at, const std::string& text) {
        sqlite3_bind_text(FStmt, at, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    TStatement& Bind(int at, long long value) {
        sqlite3_bind_int64(FStmt, at, value);
        return *this;
    }
    bool Row() { return FStmt && sqlite3_step(FStmt) == SQLITE_ROW; }
    void Run() {
        if (FStmt) sqlite3_step(FStmt);
        sqlite3_reset(FStmt);
        sqlite3_clear_bindings(FStmt);
    }
    std::string Text(int col) {
        const unsigned char* t = sqlite3_column_text(FStmt, col);
        return t ? reinterpret_cast<const char*>(t) : "";
    }
    long long Int(int col) { return sqlite3_column_int64(FStmt, col); }

private:
    sqlite3_stmt* FStmt = nullptr;
};

} // namespace

TStateStore::~TStateStore() {
    if (FDb) sqlite3_close(FDb);
}

bool TStateStore::Exec(const char* sql) {
    return sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool TStateStore::Open(const std::string& path, std::string& error) {
    std::lock_guard<std::mutex> hold(FLock);
    if (sqlite3_open(path.empty() ? ":memory:" : path.c_str(), &FDb) != SQLITE_OK) {
        error = "cannot open the database " + path + ": " + sqlite3_errmsg(FDb);
        return false;
    }
    sqlite3_busy_timeout(FDb, 2000);
    // WAL: readers never wait for the health round's writes; NORMAL: no sync per keep-alive.
    if (!Exec(
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
            "CREATE TABLE IF NOT EXISTS inventory (pos INTEGER, ip TEXT, port INTEGER, name TEXT, code TEXT,"
            " longitude TEXT, latitude TEXT, super INTEGER, PRIMARY KEY (ip, port));"
            "CREATE TABLE IF NOT EXISTS health (ip TEXT, port INTEGER, live INTEGER, reason TEXT, ms INTEGER,"
            " checked_at INTEGER, PRIMARY KEY (ip, port));"
            "CREATE TABLE IF NOT EXISTS touches (ip TEXT PRIMARY KEY, count INTEGER, last_at INTEGER);")) {
        error = "cannot set up the database " + path + ": " + sqlite3_errmsg(FDb);
        return false;
    }
    return true;
}

void TStateStore::ReplaceInventory(const std::vector<TInventoryProxy>& proxies) {
    std::lock_guard<std::mutex> hold(FLock);
    Exec("BEGIN; DELETE FROM inventory;");
    TStatement add(FDb, "INSERT OR REPLACE INTO inventory VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    long long pos = 0;
    for (const TInventoryProxy& p : proxies)
        add.Bind(1, pos++)
            .Bind(2, p.IP)
            .Bind(3, p.Port)
            .Bind(4, p.Name)
            .Bind(5, p.Code)
            .Bind(6, p.Longitude)
            .Bind(7, p.Latitude)
            .Bind(8, p.IsSuper ? 1 : 0)
            .Run();
    Exec("DELETE FROM health WHERE NOT EXISTS (SELECT 1 FROM inventory i WHERE i.ip = health.ip AND i.port = "
         "health.port); COMMIT;");
}

void TStateStore::SaveRound(const std::vector<THealthResult>& results) {
    std::lock_guard<std::mutex> hold(FLock);
    Exec("BEGIN;");
    TStatement put(FDb, "INSERT OR REPLACE INTO health VALUES (?, ?, ?, ?, ?, ?)");
    const long long now = static_cast<long long>(std::time(nullptr));
    for (const THealthResult& r : results)
        put.Bind(1, r.Proxy.IP)
            .Bind(2, r.Proxy.Port)
            .Bind(3, r.Live ? 1 : 0)
            .Bind(4, r.Reason)
            .Bind(5, r.Ms)
            .Bind(6, now)
            .Run();
    Exec("COMMIT;");
}

std::vector<TInventoryProxy> TStateStore::LastLive() {
    std::lock_guard<std::mutex> hold(FLock);
    TStatement q(FDb, "SELECT i.ip, i.port, i.name, i.code, i.longitude, i.latitude, i.super FROM inventory i"
                      " JOIN health h ON h.ip = i.ip AND h.port = i.port WHERE h.live = 1 ORDER BY i.pos");
    std::vector<TInventoryProxy> live;
    while (q.Row())
        live.push_back({q.Text(0), static_cast<uint16_t>(q.Int(1)), q.Text(2), q.Text(3), q.Text(4),
                        q.Text(5), q.Int(6) != 0});
    return live;
}

int TStateStore::Touch(const std::string& ip) {
    std::lock_guard<std::mutex> hold(FLock);
    TStatement(FDb, "INSERT INTO touches VALUES (?, 1, ?) ON CONFLICT (ip) DO UPDATE SET count = count + 1,"
                    " last_at = excluded.last_at")
        .Bind(1, ip)
        .Bind(2, static_cast<long long>(std::time(nullptr)))
        .Run();
    return CountOf(ip);
}

int TStateStore::TouchCount(const std::string& ip) {
    std::lock_guard<std::mutex> hold(FLock);
    return CountOf(ip);
}

int TStateStore::CountOf(const std::string& ip) {
    TStatement q(FDb, "SELECT count FROM touches WHERE ip = ?");
    q.Bind(1, ip);
    return q.Row() ? static_cast<int>(q.Int(0)) : 0;
}

} // namespace maskaddr::service
