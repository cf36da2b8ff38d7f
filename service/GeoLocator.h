// Where an address is: the configured override table first, then Debian's GeoIP country
// database (libGeoIP) when it can be opened; the country's centre from a shipped table.
#pragma once

#include "service/ServiceLogic.h"

#include <map>
#include <mutex>
#include <string>

namespace maskaddr::service {

struct TGeoOverride {
    std::string CountryShort;
    std::string City;
};

class TGeoLocator {
public:
    // `database` may be empty or missing: then only the overrides answer.
    TGeoLocator(const std::string& database, std::map<std::string, TGeoOverride> overrides);
    ~TGeoLocator();
    TGeoLocator(const TGeoLocator&) = delete;
    TGeoLocator& operator=(const TGeoLocator&) = delete;

    bool HasDatabase() const { return FGeoIP != nullptr; }
    // Unknown addresses get the code "UN" with empty names and position 0, 0.
    TLocation Locate(const std::string& ip) const;

    // The English name and the centre of a country code; false when the table lacks it.
    static bool CountryCentre(const std::string& code, std::string& name, double& latitude,
                              double& longitude);

private:
    void* FGeoIP = nullptr; // GeoIP*
    std::map<std::string, TGeoOverride> FOverrides;
    mutable std::mutex FLock; // libGeoIP handles are not documented as thread-safe
};

} // namespace maskaddr::service
