// A real PostgreSQL server from Debian for the service tests: a private cluster in a
// temporary folder (initdb, pg_ctl), listening on 127.0.0.1 at a free port, stopped and
// removed at the end. Under root the cluster runs as the "postgres" user, as it must.
#pragma once

#include <string>

namespace maskaddr::test {

class TPostgres {
public:
    TPostgres();
    ~TPostgres();
    TPostgres(const TPostgres&) = delete;
    TPostgres& operator=(const TPostgres&) = delete;

    bool Running() const { return FRunning; }
    // The connection address of its "postgres" database; what went wrong when not running.
    std::string Address() const;
    std::string Log() const;

private:
    bool Run(const std::string& command) const;

    std::string FDir;
    std::string FBin; // the folder of initdb and pg_ctl
    int FPort = 0;
    bool FRunning = false;
};

} // namespace maskaddr::test
