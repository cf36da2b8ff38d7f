// The proxy list format: entries separated by ";", five "|" fields each, the first
// field cut at its first ":" into address and port. Nothing is trimmed or checked.
#include "proxy/ProxyRec.h"

#include "base/Text.h"

namespace maskaddr {

std::vector<std::string> SplitProxyList(std::string_view value) {
    std::vector<std::string> entries;
    if (value.empty()) return entries;
    for (std::string& entry : SplitText(ReplaceAll(value, "\\'", "'"), ';'))
        if (!entry.empty()) entries.push_back(std::move(entry));
    return entries;
}

bool ParseProxyEntry(std::string_view entry, bool aIsSuper, TProxyRec& aRec) {
    std::string_view fields[5];
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        if (start > entry.size()) return false; // the previous field was the last one
        size_t bar = entry.find('|', start);
        if (bar == std::string_view::npos) bar = entry.size();
        fields[i] = entry.substr(start, bar - start);
        start = bar + 1;
    }
    const size_t colon = fields[0].find(':');
    if (colon == std::string_view::npos) {
        aRec.IP.clear();
        aRec.Port = fields[0];
    } else {
        aRec.IP = fields[0].substr(0, colon);
        aRec.Port = fields[0].substr(colon + 1);
    }
    aRec.Country_Long = fields[1];
    aRec.Country_Short = fields[2];
    aRec.Longitude = fields[3];
    aRec.Latitude = fields[4];
    aRec.IsSuper = aIsSuper;
    return true;
}

} // namespace maskaddr
