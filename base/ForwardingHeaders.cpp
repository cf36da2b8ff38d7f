// Forwarding headers (see ForwardingHeaders.h).
#include "base/ForwardingHeaders.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

namespace maskaddr {

bool IsForwardingHeader(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "x-forwarded-for",  "forwarded",          "via",           "x-real-ip",
        "client-ip",        "true-client-ip",     "x-client-ip",   "x-tinyproxy",
        "x-originating-ip", "x-forwarded",        "forwarded-for", "x-proxyuser-ip",
        "cf-connecting-ip", "x-cluster-client-ip"};
    const std::string lower = LowerAscii(name);
    return std::find(std::begin(kNames), std::end(kNames), lower) != std::end(kNames);
}

bool NamesAddress(std::string_view value, std::string_view address) {
    if (address.empty()) return false;
    auto addressChar = [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) || c == '.' || c == ':';
    };
    size_t i = 0;
    while (i < value.size()) {
        if (!addressChar(value[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < value.size() && addressChar(value[end]))
            ++end;
        std::string_view token = value.substr(i, end - i);
        if (token == address || (token.size() > address.size() &&
                                 token.substr(0, address.size()) == address && token[address.size()] == ':'))
            return true;
        i = end;
    }
    return false;
}

} // namespace maskaddr
