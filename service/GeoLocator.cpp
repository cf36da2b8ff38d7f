// Geolocation of the service: override table, libGeoIP country database, and a small
// table of country names and centres (rounded, in degrees; north and east positive).
#include "service/GeoLocator.h"

#include <GeoIP.h>

#include <cctype>

namespace maskaddr::service {
namespace {

struct TCountry {
    const char* Code;
    const char* Name;
    double Latitude;
    double Longitude;
};

constexpr TCountry kCountries[] = {
    {"AE", "United Arab Emirates", 24.0, 54.0},
    {"AR", "Argentina", -34.0, -64.0},
    {"AT", "Austria", 47.33, 13.33},
    {"AU", "Australia", -27.0, 133.0},
    {"BE", "Belgium", 50.83, 4.0},
    {"BG", "Bulgaria", 43.0, 25.0},
    {"BR", "Brazil", -10.0, -55.0},
    {"CA", "Canada", 60.0, -95.0},
    {"CH", "Switzerland", 47.0, 8.0},
    {"CL", "Chile", -30.0, -71.0},
    {"CN", "China", 35.0, 105.0},
    {"CO", "Colombia", 4.0, -72.0},
    {"CZ", "Czech Republic", 49.75, 15.5},
    {"DE", "Germany", 51.0, 9.0},
    {"DK", "Denmark", 56.0, 10.0},
    {"EG", "Egypt", 27.0, 30.0},
    {"ES", "Spain", 40.0, -4.0},
    {"FI", "Finland", 64.0, 26.0},
    {"FR", "France", 46.0, 2.0},
    {"GB", "United Kingdom", 54.0, -2.0},
    {"GR", "Greece", 39.0, 22.0},
    {"HK", "Hong Kong", 22.25, 114.17},
    {"HU", "Hungary", 47.0, 20.0},
    {"ID", "Indonesia", -5.0, 120.0},
    {"IE", "Ireland", 53.0, -8.0},
    {"IL", "Israel", 31.5, 34.75},
    {"IN", "India", 20.0, 77.0},
    {"IT", "Italy", 42.83, 12.83},
    {"JP", "Japan", 36.0, 138.0},
    {"KR", "Korea, Republic of", 37.0, 127.5},
    {"MX", "Mexico", 23.0, -102.0},
    {"MY", "Malaysia", 2.5, 112.5},
    {"NL", "Netherlands", 52.5, 5.75},
    {"NO", "Norway", 62.0, 10.0},
    {"NZ", "New Zealand", -41.0, 174.0},
    {"PH", "Philippines", 13.0, 122.0},
    {"PK", "Pakistan", 30.0, 70.0},
    {"PL", "Poland", 52.0, 20.0},
    {"PT", "Portugal", 39.5, -8.0},
    {"RO", "Romania", 46.0, 25.0},
    {"RU", "Russian Federation", 60.0, 100.0},
    {"SA", "Saudi Arabia", 25.0, 45.0},
    {"SE", "Sweden", 62.0, 15.0},
    {"SG", "Singapore", 1.37, 103.8},
    {"TH", "Thailand", 15.0, 100.0},
    {"TR", "Turkey", 39.0, 35.0},
    {"TW", "Taiwan", 23.5, 121.0},
    {"UA", "Ukraine", 49.0, 32.0},
    {"US", "United States", 38.0, -97.0},
    {"VN", "Vietnam", 16.0, 106.0},
    {"ZA", "South Africa", -29.0, 24.0},
};

} // namespace

TGeoLocator::TGeoLocator(const std::string& database, std::map<std::string, TGeoOverride> overrides)
    : FOverrides(std::move(overrides)) {
    if (!database.empty()) FGeoIP = GeoIP_open(database.c_str(), GEOIP_MEMORY_CACHE | GEOIP_SILENCE);
}

TGeoLocator::~TGeoLocator() {
    if (FGeoIP) GeoIP_delete(static_cast<GeoIP*>(FGeoIP));
}

bool TGeoLocator::CountryCentre(const std::string& code, std::string& name, double& latitude,
                                double& longitude) {
    for (const TCountry& c : kCountries) {
        if (code == c.Code) {
            name = c.Name;
            latitude = c.Latitude;
            longitude = c.Longitude;
            return true;
        }
    }
    return false;
}

TLocation TGeoLocator::Locate(const std::string& ip) const {
    TLocation where;
    where.CountryShort = "UN";
    auto it = FOverrides.find(ip);
    if (it != FOverrides.end()) {
        where.CountryShort = it->second.CountryShort;
        where.City = it->second.City;
    } else if (FGeoIP) {
        std::lock_guard<std::mutex> hold(FLock);
        const char* code = GeoIP_country_code_by_addr(static_cast<GeoIP*>(FGeoIP), ip.c_str());
        if (code && *code && std::string(code) != "--") {
            where.CountryShort = code;
            const char* name = GeoIP_country_name_by_addr(static_cast<GeoIP*>(FGeoIP), ip.c_str());
            if (name) where.CountryLong = name;
        }
    }
    std::string name;
    if (CountryCentre(where.CountryShort, name, where.Latitude, where.Longitude) && where.CountryLong.empty())
        where.CountryLong = name;
    return where;
}

} // namespace maskaddr::service
