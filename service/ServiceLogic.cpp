// The pure rules of maskaddr-service: inventory lines, the proxy list format, the update
// request and reply, the lookup reply and the leak judgement of the health check.
#include "service/ServiceLogic.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace maskaddr::service {
namespace {

bool AllOf(std::string_view s, int (*pred)(int)) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [&](char c) { return pred(static_cast<unsigned char>(c)) != 0; });
}

bool IsNumber(std::string_view s) {
    if (s.empty()) return false;
    double d = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    return ec == std::errc() && p == s.data() + s.size();
}

std::string CleanField(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ';' && c != '|' && c != '\r' && c != '\n') out += c;
    return out;
}

std::string FormatNumber(double d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", d);
    return buf;
}

} // namespace

TInventoryParse ParseInventory(std::string_view text) {
    TInventoryParse result;
    int lineNo = 0;
    for (std::string_view raw : LineViews(text)) {
        ++lineNo;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        auto fail = [&](const std::string& why) {
            result.Errors.push_back("line " + std::to_string(lineNo) + ": " + why);
        };
        std::vector<std::string> f = SplitText(line, '|');
        if (f.size() != 6) {
            fail("expected 6 fields separated by |, found " + std::to_string(f.size()));
            continue;
        }
        std::string address = Trim(f[0]);
        size_t colon = address.rfind(':');
        if (colon == std::string::npos || colon == 0) {
            fail("address without port");
            continue;
        }
        std::string portText = address.substr(colon + 1);
        unsigned port = 0;
        auto [p, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || p != portText.data() + portText.size() || port == 0 || port > 65535) {
            fail("bad port \"" + portText + "\"");
            continue;
        }
        TInventoryProxy proxy;
        proxy.IP = address.substr(0, colon);
        proxy.Port = static_cast<uint16_t>(port);
        proxy.Name = CleanField(Trim(f[1]));
        proxy.Code = CleanField(Trim(f[2]));
        for (char& c : proxy.Code)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        proxy.Longitude = Trim(f[3]);
        proxy.Latitude = Trim(f[4]);
        std::string kind = LowerAscii(Trim(f[5]));
        if (proxy.Code.size() != 2 || !AllOf(proxy.Code, std::isalpha)) {
            fail("country code must be two letters");
            continue;
        }
        if (!IsNumber(proxy.Longitude) || !IsNumber(proxy.Latitude)) {
            fail("longitude and latitude must be numbers");
            continue;
        }
        if (kind != "super" && kind != "normal") {
            fail("kind must be super or normal");
            continue;
        }
        proxy.IsSuper = kind == "super";
        result.Proxies.push_back(std::move(proxy));
    }
    return result;
}

std::string FormatProxyList(const std::vector<TInventoryProxy>& proxies) {
    std::string out;
    for (const TInventoryProxy& p : proxies) {
        if (!out.empty()) out += ';';
        out += CleanField(p.IP) + ":" + std::to_string(p.Port) + "|" + CleanField(p.Name) + "|" +
               CleanField(p.Code) + "|" + CleanField(p.Longitude) + "|" + CleanField(p.Latitude);
    }
    return out;
}

std::optional<TUpdateRequest> ParseUpdateQuery(std::string_view query, std::string& error) {
    TUpdateRequest request;
    bool haveAction = false;
    for (const std::string& part : SplitText(query, '&')) {
        if (part.empty()) continue;
        size_t eq = part.find('=');
        if (eq == std::string::npos) {
            if (AllOf(part, std::isdigit) && part.size() == 5 && request.Stamp.empty()) request.Stamp = part;
            continue;
        }
        std::string name(part.substr(0, eq));
        std::string value(part.substr(eq + 1));
        if (name == "ACTION") {
            if (value != "Update") {
                error = "ACTION must be Update";
                return std::nullopt;
            }
            haveAction = true;
            continue;
        }
        request.Params.emplace(std::move(name), std::move(value)); // the first occurrence counts
    }
    if (!haveAction) {
        error = "missing ACTION=Update";
        return std::nullopt;
    }
    if (request.Stamp.empty()) {
        error = "missing the five-digit time stamp";
        return std::nullopt;
    }
    for (const char* name : {"PID", "LANG", "DAY", "RUNTIME", "VER", "SVER", "WVER", "WLANG", "CHL"}) {
        if (!request.Params.count(name)) {
            error = std::string("missing parameter ") + name;
            return std::nullopt;
        }
    }
    const std::string& ver = request.Params["VER"];
    if (ver.size() != 8 || !AllOf(ver, std::isxdigit)) {
        error = "VER must be 8 hexadecimal digits";
        return std::nullopt;
    }
    std::from_chars(ver.data(), ver.data() + ver.size(), request.Version, 16);
    return request;
}

std::string BuildUpdateReply(const TUpdateOffer& offer, uint32_t requestVersion) {
    std::string out = "magicword=" + offer.MagicWord + "\r\n";
    if (requestVersion < offer.LatestVersion) {
        out += "Result=1\r\ninfo=" + offer.Info + "\r\npage=" + offer.Page + "\r\n";
    } else {
        out += "Result=0\r\n";
    }
    for (const auto& [key, value] : offer.Modify)
        out += "__MODIFY__." + key + "=" + value + "\r\n";
    return out;
}

std::string StampUpdateReply(std::string_view reply, std::time_t issued, uint64_t serial) {
    std::tm utc{};
    char when[32] = "";
    if (gmtime_r(&issued, &utc) != nullptr) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const size_t firstLine = reply.find('\n');
    std::string out(reply.substr(0, firstLine == std::string_view::npos ? reply.size() : firstLine + 1));
    if (firstLine == std::string_view::npos) out += "\r\n";
    out += "issued=" + std::string(when) + "\r\nserial=" + std::to_string(serial) + "\r\n";
    if (firstLine != std::string_view::npos) out += reply.substr(firstLine + 1);
    return out;
}

std::string BuildLookupReply(const std::string& ip, const TLocation& where) {
    return "IP=" + ip + "\r\nCOUNTRY_SHORT=" + where.CountryShort + "\r\nCOUNTRY_LONG=" + where.CountryLong +
           "\r\nCITY=" + where.City + "\r\nREGION=" + where.Region + "\r\n" + FormatNumber(where.Latitude) +
           "\r\n" + FormatNumber(where.Longitude) + "\r\n";
}

std::string FindLeak(const std::string& clientAddress, const std::string& seenAddress,
                     const std::vector<THeader>& headers) {
    if (clientAddress.empty()) return "";
    if (seenAddress == clientAddress) return "the service saw the client's own address " + seenAddress;
    static const char* const kForwarding[] = {"x-forwarded-for", "forwarded",    "via",
                                              "x-real-ip",       "client-ip",    "true-client-ip",
                                              "x-client-ip",     "x-tinyproxy",  "x-originating-ip",
                                              "x-forwarded",     "forwarded-for"};
    for (const THeader& h : headers) {
        std::string name = LowerAscii(h.Name);
        if (std::find(std::begin(kForwarding), std::end(kForwarding), name) == std::end(kForwarding))
            continue;
        // Tokens of address characters; "for=" and brackets and quotes separate.
        std::string token;
        auto flush = [&]() {
            bool hit = token == clientAddress || token.rfind(clientAddress + ":", 0) == 0;
            token.clear();
            return hit;
        };
        for (char c : h.Value + " ") {
            if (std::isxdigit(static_cast<unsigned char>(c)) || c == '.' || c == ':') {
                token += c;
            } else if (flush()) {
                return h.Name + " carries the client's address " + clientAddress;
            }
        }
    }
    return "";
}

bool IsLoopbackV4(std::string_view ip) {
    std::vector<std::string> parts = SplitText(ip, '.');
    if (parts.size() != 4 || parts[0] != "127") return false;
    for (const std::string& p : parts) {
        unsigned v = 0;
        auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), v);
        if (p.empty() || p.size() > 3 || ec != std::errc() || end != p.data() + p.size() || v > 255)
            return false;
    }
    return true;
}

} // namespace maskaddr::service
