// A private PostgreSQL cluster for the service tests.
#include "service/Postgres.h"
#include "service/TinyProxy.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace maskaddr::test {

TPostgres::TPostgres() {
    for (const auto& version : std::filesystem::directory_iterator("/usr/lib/postgresql"))
        if (std::filesystem::exists(version.path() / "bin/initdb")) FBin = (version.path() / "bin").string();
    char tmpl[] = "/tmp/maskaddr-service-pg.XXXXXX";
    if (FBin.empty() || !mkdtemp(tmpl)) return;
    FDir = tmpl;
    if (geteuid() == 0) {
        const passwd* pg = getpwnam("postgres");
        if (!pg || chown(FDir.c_str(), pg->pw_uid, pg->pw_gid) != 0) return;
    }
    FPort = FreePort("127.0.0.1");
    FRunning = Run(FBin + "/initdb -D " + FDir + "/data -A trust -U maskaddr --no-sync -E UTF8") &&
               Run(FBin + "/pg_ctl -D " + FDir + "/data -l " + FDir + "/server.log -w -t 30 -o '-c " +
                   "listen_addresses=127.0.0.1 -p " + std::to_string(FPort) + " -k " + FDir +
                   " -c fsync=off' start");
}

TPostgres::~TPostgres() {
    if (FRunning) Run(FBin + "/pg_ctl -D " + FDir + "/data -m immediate -w stop");
    if (!FDir.empty()) std::filesystem::remove_all(FDir);
}

bool TPostgres::Run(const std::string& command) const {
    const std::string as = geteuid() == 0 ? "runuser -u postgres -- " : "";
    return std::system((as + command + " >>" + FDir + "/setup.log 2>&1").c_str()) == 0;
}

std::string TPostgres::Address() const {
    return "postgresql://maskaddr@127.0.0.1:" + std::to_string(FPort) + "/postgres";
}

std::string TPostgres::Log() const {
    std::stringstream text;
    for (const char* name : {"/setup.log", "/server.log"}) {
        std::ifstream in(FDir + name);
        text << in.rdbuf();
    }
    return text.str();
}

} // namespace maskaddr::test
