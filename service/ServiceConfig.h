// The configuration file of maskaddr-service (INI text): where it listens, the magic word,
// the latest version, its page and the key that signs the update replies, the inventory, pages and flags,
// health checks, geolocation.
#pragma once

#include "service/GeoLocator.h"
#include "service/HttpServer.h"

#include <map>
#include <string>

namespace maskaddr::service {

struct TServiceConfig {
    std::string Listen = "127.0.0.1";
    int Port = 8470;       // 0: any free port
    std::string PublicURL; // base of the addresses pushed to the program; empty: http://Listen:Port
    std::string MagicWord;
    std::string TrustedFront; // address of a reverse proxy whose X-Real-IP names the client
    std::string LatestVersion = "1.0.0.0";
    std::string Info;
    std::string Page;
    std::string SigningKey;           // PEM private key (P-256) that signs every update reply
    bool AllowDevelopmentKey = false; // may SigningKey be the repository's development key
    std::string Inventory;            // proxy inventory file
    std::string Pages;                // folder of home.html, help.html, support.html
    std::string Flags;                // folder of XX.PNG
    std::string GeoDatabase;          // GeoIP country database; empty: overrides only
    std::map<std::string, TGeoOverride> GeoOverrides;
    int HealthInterval = 60;        // seconds between rounds
    int HealthTimeout = 5;          // seconds for the whole exchange with one proxy
    int HealthParallel = 64;        // proxies checked at once
    bool HealthLoopbackOnly = true; // never contact proxies outside 127.0.0.0/8
    bool HealthChecker = true;      // false: another instance sharing the database checks
    size_t MaxQuery = 2048;         // longer request targets get 414
    std::string Database;           // SQLite file of the lasting state; empty: in memory
    std::string LogFile;            // empty: the log goes to stderr
    size_t LogMaxBytes = 10 << 20;  // then it moves to LogFile.1 and a new file starts
    THttpLimits Limits;             // [limits]: threads, time limits, request bounds, connection caps
};

// Parses configuration text; relative paths are resolved against `baseDir`. False with a
// reason for a value that cannot be used.
bool ParseServiceConfig(const std::string& text, const std::string& baseDir, TServiceConfig& config,
                        std::string& error);
bool LoadServiceConfig(const std::string& path, TServiceConfig& config, std::string& error);

} // namespace maskaddr::service
