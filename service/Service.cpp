// maskaddr-service: routes of the HTTP server, one log line per request, and the health
// rounds that fetch the service's own check-IP page through every inventory proxy.
#include "service/Service.h"

#include "base/ForwardingHeaders.h"
#include "base/Text.h"
#include "framework/engine/UrlTools.h"

#include "DevelopmentKey.h"

#include <httplib.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>

namespace maskaddr::service {
namespace {

std::string ReadFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::stringstream text;
    if (ok) text << in.rdbuf();
    return text.str();
}

std::string QueryOf(const std::string& target) {
    size_t q = target.find('?');
    return q == std::string::npos ? "" : target.substr(q + 1);
}

std::string HtmlEscape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The pages and the files that hold them.
constexpr std::pair<const char*, const char*> kPages[] = {
    {"/", "home.html"}, {"/home", "home.html"}, {"/help", "help.html"}, {"/support", "support.html"}};

// The headers a request brought, without those the server adds itself.
std::vector<THeader> VisitorHeaders(const httplib::Request& req) {
    std::vector<THeader> headers;
    for (const auto& [name, value] : req.headers)
        if (name != "REMOTE_ADDR" && name != "REMOTE_PORT") headers.push_back({name, value});
    return headers;
}

// The plain form of the check-IP page (ParseCheckText reads it), with the proof of the
// health round's token when the request carries one.
std::string CheckText(const httplib::Request& req, const TLocation& where, const std::string& proof) {
    std::string text = "IP=" + req.remote_addr + "\r\nCOUNTRY_SHORT=" + where.CountryShort +
                       "\r\nCOUNTRY_LONG=" + where.CountryLong + "\r\n";
    if (!proof.empty()) text += "PROOF=" + proof + "\r\n";
    for (const THeader& h : VisitorHeaders(req))
        text += "HEADER=" + h.Name + ": " + h.Value + "\r\n";
    return text;
}

std::string CheckPage(const httplib::Request& req, const TLocation& where) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Your address</title></head>"
        "<body>\n<h1>Your address: <span id=\"ip\">" +
        HtmlEscape(req.remote_addr) + "</span></h1>\n<p>Country: " +
        HtmlEscape(where.CountryLong.empty() ? where.CountryShort : where.CountryLong) + " (" +
        HtmlEscape(where.CountryShort) + ")</p>\n<h2>Request headers that reached this page</h2>\n<table>\n";
    for (const THeader& h : VisitorHeaders(req))
        html += "<tr><th>" + HtmlEscape(h.Name) + "</th><td>" + HtmlEscape(h.Value) + "</td></tr>\n";
    html += "</table>\n</body></html>\n";
    return html;
}

} // namespace

TService::TService(TServiceConfig config, std::ostream& log)
    : FConfig(std::move(config)), FLog(log), FCheckKey(NewCheckKey()) {
    // The time zone is read once, before the threads that log exist: later conversions
    // (localtime_r) leave the C library's time-zone state alone.
    tzset();
}

TService::~TService() {
    Stop();
}

// Called from the server's threads and the health thread at once: each converts the time
// into its own record (localtime's is one for the whole process).
void TService::Log(const std::string& line) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::lock_guard<std::mutex> hold(FLogLock);
    if (FLogFile.IsOpen()) return FLogFile.Write(stamp + (" " + line));
    FLog << stamp << " " << line << std::endl;
}

// Without PublicURL the service listens on a loopback address (Start sees to it).
std::string TService::BaseURL() const {
    if (!FConfig.PublicURL.empty()) return FConfig.PublicURL;
    return "http://" + FConfig.Listen + ":" + std::to_string(FPort);
}

std::string TService::PageFile(const std::string& name) const {
    return FConfig.Pages + "/" + name;
}

bool TService::Start(std::string& error) {
    if (FConfig.PublicURL.empty() && !IsLoopbackV4(FConfig.Listen)) {
        error = "[service] Listen=" + FConfig.Listen +
                " is not a loopback address, so programs reach this service at another address than "
                "http://" +
                FConfig.Listen +
                ":PORT: set [service] PublicURL to the address they reach it at "
                "(such as https://service.example.com), which the update replies pass on";
        return false;
    }
    if (!FConfig.LogFile.empty() && !FLogFile.IsOpen() &&
        !FLogFile.Open(FConfig.LogFile, FConfig.LogMaxBytes, error))
        return false;
    if (!LoadSigningKey(error)) return false;
    FStore = OpenStateStore(FConfig.Database, error);
    if (!FStore) return false;
    FReplies = std::make_unique<TSignedReplies>(*FSigner, [this] { return FStore->NextSerial(); });
    if (FConfig.HealthChecker) {
        bool ok = false;
        std::string text = ReadFile(FConfig.Inventory, ok);
        if (!ok) {
            error = "cannot read the proxy inventory " + FConfig.Inventory;
            return false;
        }
        TInventoryParse parsed = ParseInventory(text);
        for (const std::string& e : parsed.Errors)
            Log("inventory " + FConfig.Inventory + " " + e + " (skipped)");
        FInventory = std::move(parsed.Proxies);
        FStore->ReplaceInventory(FInventory);
    } else {
        FInventory = FStore->Inventory(); // the checking instance's
    }
    // Clients are served the last known live list until the first round has run.
    FLive = FStore->LastLive();
    FGeo = std::make_unique<TGeoLocator>(FConfig.GeoDatabase, FConfig.GeoOverrides);
    if (!FConfig.GeoDatabase.empty() && !FGeo->HasDatabase())
        Log("geo database " + FConfig.GeoDatabase + " cannot be opened; only the overrides answer");

    FServer = std::make_unique<THttpServer>(FConfig.Limits);
    Routes();
    if (!FServer->Start(FConfig.Listen, FConfig.Port, error)) {
        FServer.reset();
        return false;
    }
    FPort = FServer->Port();
    if (FConfig.HealthChecker) {
        FHealth.Start(std::chrono::seconds(FConfig.HealthInterval), [this] { CheckHealthNow(); });
    } else {
        // Another instance checks; this one serves its results, read again every few seconds.
        FHealth.Start(std::chrono::seconds(std::min(FConfig.HealthInterval, 10)), [this] {
            std::vector<TInventoryProxy> live = FStore->LastLive();
            std::lock_guard<std::mutex> hold(FStateLock);
            FLive = std::move(live);
            ++FRounds;
        });
    }
    Log("listening on " + BaseURL() + " with " + std::to_string(FInventory.size()) + " inventory proxies");
    return true;
}

// The key that signs the update replies. The repository's development key is refused unless
// the configuration allows it: its private half is public, so replies signed with it prove
// nothing to a program built with its public half.
bool TService::LoadSigningKey(std::string& error) {
    if (FConfig.SigningKey.empty()) {
        error = "[update] SigningKey is missing: every update reply is signed";
        return false;
    }
    FSigner = TUpdateSigner::FromPemFile(FConfig.SigningKey, error);
    if (!FSigner) return false;
    if (FSigner->PublicKey() != Base64Decode(kDevelopmentPublicKey).value_or("")) return true;
    if (!FConfig.AllowDevelopmentKey) {
        error = "[update] SigningKey " + FConfig.SigningKey +
                " is the repository's development key, whose private half anyone can read: set SigningKey "
                "to your own key (see the README), or [update] AllowDevelopmentKey=1 for development only";
        return false;
    }
    Log("update replies are signed with the development key (AllowDevelopmentKey=1): for development only");
    return true;
}

void TService::Stop() {
    FHealth.Stop();
    if (FServer) FServer->Stop();
}

int TService::HealthRounds() const {
    std::lock_guard<std::mutex> hold(FStateLock);
    return FRounds;
}

std::vector<TInventoryProxy> TService::LiveProxies() const {
    std::lock_guard<std::mutex> hold(FStateLock);
    return FLive;
}

int TService::TouchCount(const std::string& ip) const {
    return FStore->TouchCount(ip);
}

void TService::Routes() {
    using httplib::Request;
    using httplib::Response;
    THttpServer& s = *FServer;
    // Requests may name the whole address ("GET http://host:port/path"), as HTTP/1.1 allows.
    auto route = [](const std::string& path) { return "(?:[Hh][Tt][Tt][Pp]://[^/]+)?" + path; };
    auto handler = [this](void (TService::*handle)(const Request&, Response&)) {
        return [this, handle](const Request& req, Response& res) { (this->*handle)(req, res); };
    };

    s.SetLogger([this](const std::string& line) { Log(line); });
    s.SetTrustedFront(FConfig.TrustedFront);
    s.SetPreRouting([this](const Request& req, Response& res) {
        if (req.target.size() <= FConfig.MaxQuery) return false;
        Fail(res, 414, "request address longer than " + std::to_string(FConfig.MaxQuery) + " bytes");
        return true;
    });

    s.Get(route("/update"), handler(&TService::OnUpdate));
    s.Get(route("/getinfo"), handler(&TService::OnGetInfo));
    s.Get(route("/touch"), handler(&TService::OnTouch));
    s.Get(route(R"(/flags/([A-Za-z]{2})\.[Pp][Nn][Gg])"), handler(&TService::OnFlag));
    for (const auto& [path, file] : kPages)
        s.Get(route(path),
              [this, file = std::string(file)](const Request&, Response& res) { OnPage(file, res); });
    s.Get(route("/checkip"), handler(&TService::OnCheckIP));
    s.Get(route("/verifyip"), handler(&TService::OnVerifyIP));
}

// The update reply: the newest version, and the live proxies and the service's addresses
// as settings to change; signed.
void TService::OnUpdate(const httplib::Request& req, httplib::Response& res) {
    std::string error;
    auto request = ParseUpdateQuery(QueryOf(req.target), error);
    if (!request) return Fail(res, 400, error);
    std::vector<TInventoryProxy> normal, super;
    for (const TInventoryProxy& p : LiveProxies())
        (p.IsSuper ? super : normal).push_back(p);
    const std::string base = BaseURL();
    TUpdateOffer offer;
    offer.MagicWord = FConfig.MagicWord;
    offer.LatestVersion = VersionToInt(FConfig.LatestVersion);
    offer.Info = FConfig.Info;
    offer.Page = FConfig.Page;
    offer.Modify = {{"NORMAL_IPS", FormatProxyList(normal)},
                    {"SUPER_IPS", FormatProxyList(super)},
                    {"SUPER_TOUCH", base + "/touch?ip={1}"},
                    {"URL.GetInfo", base + "/getinfo"},
                    {"URL.CheckIP", base + "/checkip"},
                    {"URL.VerifyIP", base + "/verifyip"},
                    {"URL.FlagPath", base + "/flags/"},
                    {"URL.home", base + "/home"},
                    {"URL.help", base + "/help"},
                    {"URL.support", base + "/support"},
                    {"URL.Update", base + "/update"}};
    // Older and up-to-date programs get replies of two kinds, each signed again on its own.
    const bool older = request->Version < offer.LatestVersion;
    std::optional<std::string> reply =
        FReplies->Serve(older ? "older" : "current", BuildUpdateReply(offer, request->Version));
    if (!reply) {
        Log("update reply not served: the state store gave no serial number, or signing failed");
        return Fail(res, 503, "the update reply cannot be numbered or signed now");
    }
    res.set_content(*reply, "text/plain");
}

// The caller's own address and where it is; empty for a wrong magic word.
void TService::OnGetInfo(const httplib::Request& req, httplib::Response& res) {
    if (!req.has_param("MagicWord")) return Fail(res, 400, "missing parameter MagicWord");
    if (req.get_param_value("MagicWord") != FConfig.MagicWord) return res.set_content("", "text/plain");
    res.set_content(BuildLookupReply(req.remote_addr, FGeo->Locate(req.remote_addr)), "text/plain");
}

// The keep-alive of an inventory proxy, counted per proxy: a GET (what the program sends),
// once a minute at most from one client address for one proxy.
void TService::OnTouch(const httplib::Request& req, httplib::Response& res) {
    if (req.method != "GET") {
        res.set_header("Allow", "GET");
        return Fail(res, 405, "a keep-alive counts only as GET");
    }
    if (!req.has_param("ip")) return Fail(res, 400, "missing parameter ip");
    std::string ip = req.get_param_value("ip");
    bool known = false;
    for (const TInventoryProxy& p : FInventory)
        known = known || p.IP == ip;
    if (!known) return Fail(res, 404, "unknown proxy " + LogSafe(ip, 60));
    const auto count = FStore->Touch(ip, req.remote_addr, std::time(nullptr));
    if (!count) {
        Log("touch " + ip + " from " + req.remote_addr + " not counted: the state store cannot count now");
        return Fail(res, 503, "the keep-alive cannot be counted now");
    }
    if (!count->Counted)
        return Fail(res, 429, "a keep-alive of " + ip + " from this address counted less than a minute ago");
    Log("touch " + ip + " from " + req.remote_addr + " count " + std::to_string(count->Hits));
    res.set_content("OK\r\n", "text/plain");
}

// The flag of a two-letter code, whatever the case of the code and the extension.
void TService::OnFlag(const httplib::Request& req, httplib::Response& res) {
    std::string code = UpperAscii(req.matches[1].str());
    bool ok = false;
    std::string png = ReadFile(FConfig.Flags + "/" + code + ".PNG", ok);
    if (!ok) return Fail(res, 404, "no flag for " + code);
    res.set_content(png, "image/png");
}

void TService::OnPage(const std::string& file, httplib::Response& res) {
    bool ok = false;
    std::string html = ReadFile(PageFile(file), ok);
    if (!ok) return Fail(res, 404, "page " + file + " is missing");
    res.set_content(html, "text/html; charset=utf-8");
}

// The visitor's address, country and request headers: a page, or plain lines.
void TService::OnCheckIP(const httplib::Request& req, httplib::Response& res) {
    TLocation where = FGeo->Locate(req.remote_addr);
    if (req.get_param_value("format") == "text")
        return res.set_content(CheckText(req, where, CheckProof(req.get_param_value("token"))), "text/plain");
    res.set_content(CheckPage(req, where), "text/html; charset=utf-8");
}

// The machine-readable check of the program's verification window: the visitor's address,
// its country, and every forwarding header the request carried, as NAME=VALUE lines.
void TService::OnVerifyIP(const httplib::Request& req, httplib::Response& res) {
    TLocation where = FGeo->Locate(req.remote_addr);
    std::string text = "IP=" + req.remote_addr + "\r\nCOUNTRY_SHORT=" + where.CountryShort +
                       "\r\nCOUNTRY_LONG=" + where.CountryLong + "\r\n";
    for (const auto& [name, value] : req.headers)
        if (IsForwardingHeader(name)) text += name + "=" + value + "\r\n";
    res.set_content(text, "text/plain");
}

} // namespace maskaddr::service
