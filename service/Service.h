// maskaddr-service: the HTTP server (update, lookup, keep-alive, flags, pages, check-IP)
// and the periodic health check of the proxy inventory, which decides the served lists.
#pragma once

#include "service/GeoLocator.h"
#include "service/HttpServer.h"
#include "service/LogFile.h"
#include "service/Periodic.h"
#include "service/ServiceConfig.h"
#include "service/ServiceLogic.h"
#include "service/SignedReplies.h"
#include "service/StateStore.h"
#include "service/UpdateSigner.h"

#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace maskaddr::service {

class TService {
public:
    // Log lines (one per request, one per health result) go to the configured log file, or
    // to `log` when it names none.
    TService(TServiceConfig config, std::ostream& log);
    ~TService();
    TService(const TService&) = delete;
    TService& operator=(const TService&) = delete;

    // Binds, starts serving and the health checks (the first round at once). False with a reason.
    bool Start(std::string& error);
    void Stop();

    int Port() const { return FPort; }
    std::string BaseURL() const;

    // One health round now, on the caller's thread: every inventory proxy is asked for the
    // check page with a fresh token, at most [health] Parallel at once.
    void CheckHealthNow();
    // Health rounds completed so far (an instance that does not check: reads of the shared
    // results).
    int HealthRounds() const;
    std::vector<TInventoryProxy> LiveProxies() const;
    int TouchCount(const std::string& ip) const;

private:
    void Routes();
    // The handlers of the routes, one each (Routes names their paths).
    void OnUpdate(const httplib::Request& req, httplib::Response& res);
    void OnGetInfo(const httplib::Request& req, httplib::Response& res);
    void OnTouch(const httplib::Request& req, httplib::Response& res);
    void OnFlag(const httplib::Request& req, httplib::Response& res);
    void OnPage(const std::string& file, httplib::Response& res);
    void OnCheckIP(const httplib::Request& req, httplib::Response& res);
    void OnVerifyIP(const httplib::Request& req, httplib::Response& res);
    void Log(const std::string& line);
    bool LoadSigningKey(std::string& error);
    std::string PageFile(const std::string& name) const;
    // The health rounds (HealthRound.cpp): the check page's proof of a round's token, made
    // with a key only this process knows; empty for a token that is not one.
    static std::string NewCheckKey();
    std::string CheckProof(const std::string& token) const;
    std::string CheckHost() const;
    std::string CheckRequest(const std::string& token, bool viaProxy) const;
    std::string OwnAddress();
    void EndRound(std::vector<THealthResult> results, int contacted, long ms);

    TServiceConfig FConfig;
    std::ostream& FLog;
    const std::string FCheckKey;
    std::mutex FLogLock;
    TLogFile FLogFile; // when the configuration names one; else `log`
    std::unique_ptr<THttpServer> FServer;
    std::unique_ptr<TGeoLocator> FGeo;
    std::unique_ptr<TUpdateSigner> FSigner;   // signs every update reply
    std::unique_ptr<TSignedReplies> FReplies; // dated, numbered and signed by FSigner
    std::vector<TInventoryProxy> FInventory;
    std::unique_ptr<TStateStore> FStore;
    int FPort = 0;
    TPeriodic FHealth; // the health rounds, on their own thread

    mutable std::mutex FStateLock;
    std::vector<TInventoryProxy> FLive;
    int FRounds = 0;
};

} // namespace maskaddr::service
