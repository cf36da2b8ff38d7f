// Web address helpers (see UrlTools.h).
#include "framework/engine/UrlTools.h"

#include "base/Text.h"
#include "platform/SystemText.h"

#include <cstdio>

namespace maskaddr {

std::string UrlEncodeForm(IAnsiCodec& ansi, const std::string& text) {
    static const std::string kKept = "!$'()*-.@_";
    std::string out;
    for (char c : ansi.ToAnsi(text)) {
        unsigned char b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            kKept.find(c) != std::string::npos) {
            out.push_back(c);
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02x", static_cast<unsigned>(b));
            out += escape;
        }
    }
    return out;
}

std::optional<std::string> UrlDecodeForm(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            bytes.push_back(' ');
        } else if (c == '%') {
            if (i + 1 < text.size() && text[i + 1] == '%') {
                bytes.push_back('%');
                ++i;
                continue;
            }
            if (i + 2 >= text.size()) return std::nullopt;
            int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            bytes.push_back(c);
        }
    }
    return bytes;
}

uint32_t VersionToInt(const std::string& text) {
    std::vector<std::string> parts = SplitText(text.substr(0, text.find(' ')), '.');
    if (parts.size() != 4) return 0;
    uint32_t v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = static_cast<uint32_t>(ParseInt32Def(parts[static_cast<size_t>(i)], 0));
    return (v[0] << 24) + ((v[1] & 0xFF) << 16) + ((v[2] & 0xFF) << 8) + (v[3] & 0xFF);
}

std::string HexOfLowBytes(const std::string& text) {
    std::string out;
    char buf[3];
    for (char16_t u : Utf8ToUtf16(text)) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(u & 0xFF));
        out += buf;
    }
    return out;
}

std::string AppendURLParams(const std::string& url, const std::string& params) {
    if (url.empty()) return params;
    if (url.find('?') == std::string::npos) return url + "?" + params;
    if (url.back() == '&' || url.back() == '?') return url + params;
    return url + "&" + params;
}

void ParseURLParams(IAnsiCodec& ansi, const std::string& url, TNameValueList& list) {
    std::string rest = url;
    if (size_t q = rest.find('?'); q != std::string::npos) rest = rest.substr(q + 1);
    if (size_t c = rest.find(':'); c != std::string::npos) rest = rest.substr(c + 1);
    for (const std::string& part : SplitText(rest, '&')) {
        size_t eq = part.find('=');
        std::string name = part.substr(0, eq);
        auto value = UrlDecodeForm(eq == std::string::npos ? "" : part.substr(eq + 1));
        if (!value) continue;
        SetListValue(list, name, ansi.FromAnsi(*value));
    }
}

std::string CleanChannel(const std::string& channel) {
    std::string c = ReplaceAll(channel, "\"", "");
    size_t cut = c.find_last_of("\\:");
    return cut == std::string::npos ? c : c.substr(cut + 1);
}

std::optional<TUrlParts> ParseURL(const std::string& url) {
    TUrlParts parts;
    std::string rest = url;
    if (LowerAscii(rest.substr(0, 7)) == "http://") {
        rest = rest.substr(7);
    } else if (LowerAscii(rest.substr(0, 8)) == "https://") {
        rest = rest.substr(8);
        parts.Secure = true;
    }
    // Without a "/" after the host there is no host: such an address is refused.
    size_t slash = rest.find('/');
    if (slash == std::string::npos) return std::nullopt;
    std::string authority = rest.substr(0, slash);
    parts.Path = rest.substr(slash);
    parts.Port = parts.Secure ? 443 : 80;
    std::string portText;
    if (!authority.empty() && authority[0] == '[') { // an IPv6 literal
        size_t close = authority.find(']');
        if (close == std::string::npos) return std::nullopt;
        parts.Host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return std::nullopt;
            portText = authority.substr(close + 2);
        }
    } else {
        size_t colon = authority.rfind(':');
        parts.Host = authority.substr(0, colon);
        if (colon != std::string::npos) portText = authority.substr(colon + 1);
    }
    if (!portText.empty() ||
        (!authority.empty() && authority[0] != '[' && authority.find(':') != std::string::npos)) {
        auto port = TryParseInt32(portText);
        if (!port || *port <= 0 || *port > 65535 ||
            portText.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        parts.Port = static_cast<uint16_t>(*port);
    }
    if (parts.Host.empty()) return std::nullopt;
    return parts;
}

} // namespace maskaddr
