// The pure rules of maskaddr-service: inventory lines, the proxy list format, the update
// request and reply, the lookup reply, and the health check's reading of replies and check
// pages.
#include "service/ServiceLogic.h"

#include "base/ForwardingHeaders.h"
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

TCheckSeen ParseCheckText(std::string_view body) {
    TCheckSeen seen;
    for (std::string_view line : LineViews(body)) {
        if (line.substr(0, 3) == "IP=") seen.IP = line.substr(3);
        if (line.substr(0, 6) == "PROOF=") seen.Proof = line.substr(6);
        if (line.substr(0, 7) != "HEADER=") continue;
        const std::string_view h = line.substr(7);
        const size_t colon = h.find(": ");
        if (colon != std::string_view::npos)
            seen.Headers.push_back({std::string(h.substr(0, colon)), std::string(h.substr(colon + 2))});
    }
    return seen;
}

std::string JudgeCheckPage(std::string_view body, const std::string& proof, const std::string& own) {
    const TCheckSeen seen = ParseCheckText(body);
    if (seen.IP.empty()) return "not the check page";
    if (seen.Proof != proof) return "not this round's check page (one of its own making, or an old one)";
    if (seen.IP == own) return "the service saw its own address " + own;
    for (const THeader& h : seen.Headers)
        if (IsForwardingHeader(h.Name)) return "it adds the forwarding header " + h.Name;
    return "";
}

namespace {

// The body of a chunked reply once its last chunk has arrived; nullopt before, and when the
// chunks are broken (then `why` says how).
std::optional<std::string> Dechunk(std::string_view s, std::string& why) {
    std::string body;
    size_t at = 0;
    for (;;) {
        const size_t eol = s.find("\r\n", at);
        if (eol == std::string_view::npos) return std::nullopt;
        std::string_view sizeText = s.substr(at, eol - at);
        sizeText = sizeText.substr(0, sizeText.find(';'));
        size_t size = 0;
        auto [end, ec] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size, 16);
        if (sizeText.empty() || ec != std::errc() || end != sizeText.data() + sizeText.size()) {
            why = "a broken chunk size";
            return std::nullopt;
        }
        at = eol + 2;
        if (size == 0) { // then trailer lines, if any, and a blank line
            if (s.substr(at, 2) == "\r\n" || s.find("\r\n\r\n", at) != std::string_view::npos) return body;
            return std::nullopt;
        }
        if (size > s.size() - at || s.size() - at - size < 2) return std::nullopt;
        if (s.substr(at + size, 2) != "\r\n") {
            why = "a chunk longer than its size";
            return std::nullopt;
        }
        body.append(s.substr(at, size));
        at += size + 2;
    }
}

// Content-Length and chunked coding from the header lines (after the status line); why
// they cannot be used, or empty.
std::string ReadFraming(const std::vector<std::string_view>& lines, std::optional<uint64_t>& length,
                        bool& chunked) {
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t colon = lines[i].find(':');
        if (colon == std::string_view::npos) return "a header line without a colon";
        const std::string_view name = lines[i].substr(0, colon), value = TrimView(lines[i].substr(colon + 1));
        if (SameText(name, "Transfer-Encoding")) {
            chunked = SameText(value, "chunked");
            if (!chunked) return "an unknown Transfer-Encoding";
        }
        if (!SameText(name, "Content-Length")) continue;
        uint64_t n = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
            (length && *length != n))
            return "a broken or conflicting Content-Length";
        length = n;
    }
    return chunked && length ? "both Content-Length and chunked coding" : "";
}

} // namespace

THttpReply ReadHttpReply(std::string_view bytes, bool ended) {
    THttpReply reply;
    auto broken = [&](std::string why) {
        reply.State = THttpReply::Broken;
        reply.Why = std::move(why);
        return reply;
    };
    const size_t headEnd = bytes.find("\r\n\r\n");
    if (headEnd == std::string_view::npos) return ended ? broken("closed before the whole head") : reply;
    const std::vector<std::string_view> lines = LineViews(bytes.substr(0, headEnd));
    const std::string_view first = lines.empty() ? "" : lines[0];
    auto [end, ec] = std::from_chars(first.data() + std::min<size_t>(9, first.size()),
                                     first.data() + std::min<size_t>(12, first.size()), reply.Status);
    if (first.substr(0, 7) != "HTTP/1." || first.size() < 12 || first[8] != ' ' || ec != std::errc() ||
        end != first.data() + 12)
        return broken("not an HTTP reply");
    std::optional<uint64_t> length;
    bool chunked = false;
    std::string why = ReadFraming(lines, length, chunked);
    if (!why.empty()) return broken(why);
    const std::string_view rest = bytes.substr(headEnd + 4);
    if (chunked) {
        std::optional<std::string> body = Dechunk(rest, why);
        if (!why.empty()) return broken(why);
        if (!body) return ended ? broken("closed before the last chunk") : reply;
        reply.Body = std::move(*body);
    } else if (length) {
        if (rest.size() > *length) return broken("more bytes than its Content-Length");
        if (rest.size() < *length)
            return ended ? broken("closed after " + std::to_string(rest.size()) + " of " +
                                  std::to_string(*length) + " body bytes")
                         : reply;
        reply.Body = rest;
    } else {
        if (!ended) return reply;
        reply.Body = rest;
    }
    reply.State = THttpReply::Whole;
    return reply;
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
