// One proxy server of the pool as its list entry describes it, the ranges a choice
// draws from, and the text format of the two proxy lists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

// All fields but IsSuper are text exactly as the list held them. An empty IP means
// "no proxy".
struct TProxyRec {
    std::string IP;
    std::string Port;
    std::string Country_Short;
    std::string Country_Long;
    std::string Latitude;
    std::string Longitude;
    bool IsSuper = false;

    bool operator==(const TProxyRec&) const = default;
};

enum class TProxyRange { KNormal, KSuper, KAll };

// Cuts a list setting into its entries: "\'" becomes "'", every ";" separates, and
// empty entries are left out.
std::vector<std::string> SplitProxyList(std::string_view value);

// Fills aRec from one entry "address:port|name|code|longitude|latitude" and sets
// IsSuper. An entry with fewer than five fields leaves aRec alone and returns false.
bool ParseProxyEntry(std::string_view entry, bool aIsSuper, TProxyRec& aRec);

} // namespace maskaddr
