// The pure rules of maskaddr-service: the proxy inventory file, the list format of the
// update reply, the update request's parameters and reply, the lookup reply, and the health
// check's reading of replies and judgement of check pages. No network, no files.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr::service {

// One proxy of the inventory file.
struct TInventoryProxy {
    std::string IP;
    uint16_t Port = 0;
    std::string Name; // country name
    std::string Code; // country code
    std::string Longitude;
    std::string Latitude;
    bool IsSuper = false;
};

struct TInventoryParse {
    std::vector<TInventoryProxy> Proxies;
    std::vector<std::string> Errors; // "line N: reason"
};

// Inventory lines: "address:port|name|code|longitude|latitude|super-or-normal"; blank lines
// and lines starting with "#" are skipped; a bad line is reported and skipped.
TInventoryParse ParseInventory(std::string_view text);

// The list format of the program: entries "address:port|name|code|longitude|latitude"
// joined by ";". Characters that would break the format (";" "|") are removed from fields.
std::string FormatProxyList(const std::vector<TInventoryProxy>& proxies);

// The parameters of an update request, taken from the raw query text.
struct TUpdateRequest {
    std::string Stamp; // the unnamed "sszzz" item
    std::map<std::string, std::string> Params;
    uint32_t Version = 0; // VER as a number
};

// Parses "ACTION=Update&sszzz&PID=..&LANG=..&DAY=..&RUNTIME=..&VER=........&SVER=..&WVER=..
// &WLANG=..&CHL=..". nullopt with a reason in `error` when ACTION is not Update, a parameter is
// missing, VER is not 8 hexadecimal digits or the stamp is not 5 digits.
std::optional<TUpdateRequest> ParseUpdateQuery(std::string_view query, std::string& error);

// The settings that the update reply pushes, in reply order.
struct TUpdateOffer {
    std::string MagicWord;
    uint32_t LatestVersion = 0;
    std::string Info;
    std::string Page;
    std::vector<std::pair<std::string, std::string>> Modify; // key (without prefix), value
};

// The reply lines: "magicword=", "Result=" (with "info=" and "page=" when the request is older
// than the latest version) and one "__MODIFY__." line per pushed setting; CR LF line ends.
std::string BuildUpdateReply(const TUpdateOffer& offer, uint32_t requestVersion);

// The reply with the lines that date and number it, "issued=YYYY-MM-DDTHH:MM:SSZ" (UTC)
// and "serial=N", put directly after its first line (the magic word).
std::string StampUpdateReply(std::string_view reply, std::time_t issued, uint64_t serial);

// What the lookup tells about an address.
struct TLocation {
    std::string CountryShort;
    std::string CountryLong;
    std::string City;
    std::string Region;
    double Latitude = 0;
    double Longitude = 0;
};

// "IP=", "COUNTRY_SHORT=", "COUNTRY_LONG=", "CITY=", "REGION=", then the latitude and the
// longitude as bare numbers on lines 6 and 7.
std::string BuildLookupReply(const std::string& ip, const TLocation& where);

// A header that reached the check page through a proxy.
struct THeader {
    std::string Name;
    std::string Value;
};

// The plain form of the check-IP page ("IP=...", "PROOF=..." and one "HEADER=Name: value"
// line per request header), as the health check reads it.
struct TCheckSeen {
    std::string IP;
    std::string Proof;
    std::vector<THeader> Headers;
};
TCheckSeen ParseCheckText(std::string_view body);

// Why the check page that came back through a proxy does not show a live proxy that hides
// the service: it must be this round's page (it carries `proof`, which only the service can
// make from the round's token), seen from another address than `own` (the service's own, as
// its page sees it directly), and with no forwarding header. Empty when it shows one.
std::string JudgeCheckPage(std::string_view body, const std::string& proof, const std::string& own);

// A reply to a GET request, as far as it has arrived.
struct THttpReply {
    enum TState { Partial, Whole, Broken };
    TState State = Partial;
    int Status = 0;
    std::string Body; // when whole
    std::string Why;  // when broken
};

// Reads the bytes of a reply received so far; `ended`: the sender has closed. A reply is
// whole with its head and its body by its Content-Length, up to its last chunk, or, when it
// says neither, up to the close.
THttpReply ReadHttpReply(std::string_view bytes, bool ended);

// Whether an IPv4 text lies in 127.0.0.0/8.
bool IsLoopbackV4(std::string_view ip);

} // namespace maskaddr::service
