// Web addresses: form encoding and decoding, the version number and channel texts
// of the parameter string, appending and parsing query parameters, and splitting
// an address into scheme, host, port and path.
#pragma once

#include "base/NameValueList.h"

#include <cstdint>
#include <optional>
#include <string>

namespace maskaddr {

class IAnsiCodec;

// Bytes of the ANSI code page: letters, digits and ! $ ' ( ) * - . @ _ stay; a blank is
// "+"; every other byte "%" and two lower-case hexadecimal digits.
std::string UrlEncodeForm(IAnsiCodec& ansi, const std::string& text);
// "+" is a blank, "%%" a "%", "%" and two hexadecimal digits a byte; nullopt for a
// broken escape.
std::optional<std::string> UrlDecodeForm(const std::string& text);
// "a.b.c.d[ more]" as a × 2^24 + low bytes of b, c and d; 0 unless exactly four parts.
uint32_t VersionToInt(const std::string& text);
// The low byte of every UTF-16 code unit as two upper-case hexadecimal digits.
std::string HexOfLowBytes(const std::string& text);
std::string AppendURLParams(const std::string& url, const std::string& params);
// The NAME=VALUE pairs of an address's query (see the "wcme:" links).
void ParseURLParams(IAnsiCodec& ansi, const std::string& url, TNameValueList& list);
// The channel text as sent: double quotes removed, only the part after the last "\" or ":".
std::string CleanChannel(const std::string& channel);

struct TUrlParts {
    bool Secure = false;
    std::string Host;
    uint16_t Port = 80;
    std::string Path;
};
// Splits an address. The scheme counts only at the start ("http://" or "https://", any
// case); an explicit port ("host:8080", "[::1]:8080") is honoured; without one the port is
// 443 for https, else 80. nullopt when the host is empty or the port is not a number.
std::optional<TUrlParts> ParseURL(const std::string& url);

} // namespace maskaddr
