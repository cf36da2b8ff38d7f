// The world map data, its point-in-country test and its projection (see WorldMap.h).
#include "ui/WorldMap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace maskaddr {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Reads the file's little-endian fields, refusing to run past its end.
class TReader {
public:
    explicit TReader(std::string_view bytes) : FBytes(bytes) {}
    bool U8(unsigned& v) {
        if (FAt + 1 > FBytes.size()) return false;
        v = static_cast<unsigned char>(FBytes[FAt++]);
        return true;
    }
    bool U16(unsigned& v) {
        if (FAt + 2 > FBytes.size()) return false;
        v = static_cast<unsigned char>(FBytes[FAt]) | static_cast<unsigned char>(FBytes[FAt + 1]) << 8;
        FAt += 2;
        return true;
    }
    bool I16(int& v) {
        unsigned u = 0;
        if (!U16(u)) return false;
        v = static_cast<int16_t>(static_cast<uint16_t>(u));
        return true;
    }
    bool Text(size_t n, std::string& v) {
        if (FAt + n > FBytes.size()) return false;
        v.assign(FBytes.substr(FAt, n));
        FAt += n;
        return true;
    }
    bool AtEnd() const { return FAt == FBytes.size(); }

private:
    std::string_view FBytes;
    size_t FAt = 0;
};

TGeoBox EmptyBox() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    return {inf, inf, -inf, -inf};
}

void Extend(TGeoBox& box, const TGeoBox& with) {
    box.MinLon = std::min(box.MinLon, with.MinLon);
    box.MinLat = std::min(box.MinLat, with.MinLat);
    box.MaxLon = std::max(box.MaxLon, with.MaxLon);
    box.MaxLat = std::max(box.MaxLat, with.MaxLat);
}

// Even-odd crossings of a ray from the point towards growing longitude.
bool Crosses(const TMapRing& ring, double lon, double lat) {
    bool inside = false;
    const std::vector<TGeoPoint>& p = ring.Points;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].Lat > lat) != (p[j].Lat > lat)) {
            const double x = p[j].Lon + (lat - p[j].Lat) * (p[i].Lon - p[j].Lon) / (p[i].Lat - p[j].Lat);
            if (lon < x) inside = !inside;
        }
    }
    return inside;
}

bool CountryContains(const TMapCountry& c, double lon, double lat) {
    if (!c.Box.Contains(lon, lat)) return false;
    bool inside = false;
    for (const TMapRing& r : c.Rings)
        if (r.Box.Contains(lon, lat) && Crosses(r, lon, lat)) inside = !inside;
    return inside;
}

} // namespace

std::optional<TWorldMap> TWorldMap::Parse(std::string_view bytes, std::string* error) {
    auto fail = [error](const char* why) -> std::optional<TWorldMap> {
        if (error != nullptr) *error = why;
        return std::nullopt;
    };
    TReader r(bytes);
    std::string magic;
    unsigned version = 0, unit = 0, count = 0;
    if (!r.Text(4, magic) || magic != "MXWM") return fail("not a world map file");
    if (!r.U16(version) || version != 1) return fail("unknown version");
    if (!r.U16(unit) || unit == 0 || !r.U16(count)) return fail("truncated header");
    TWorldMap map;
    map.FCountries.reserve(count);
    for (unsigned c = 0; c < count; ++c) {
        TMapCountry country;
        unsigned nameLength = 0, rings = 0;
        if (!r.Text(2, country.Code) || !r.U8(nameLength) || !r.Text(nameLength, country.Name) ||
            !r.U16(rings))
            return fail("truncated country");
        country.Box = EmptyBox();
        for (unsigned k = 0; k < rings; ++k) {
            unsigned points = 0;
            if (!r.U16(points)) return fail("truncated ring");
            if (points < 3) return fail("a ring of fewer than three points");
            TMapRing ring;
            ring.Box = EmptyBox();
            ring.Points.reserve(points);
            for (unsigned i = 0; i < points; ++i) {
                int lon = 0, lat = 0;
                if (!r.I16(lon) || !r.I16(lat)) return fail("truncated ring");
                TGeoPoint p{static_cast<double>(lon) / unit, static_cast<double>(lat) / unit};
                ring.Box.MinLon = std::min(ring.Box.MinLon, p.Lon);
                ring.Box.MaxLon = std::max(ring.Box.MaxLon, p.Lon);
                ring.Box.MinLat = std::min(ring.Box.MinLat, p.Lat);
                ring.Box.MaxLat = std::max(ring.Box.MaxLat, p.Lat);
                ring.Points.push_back(p);
            }
            Extend(country.Box, ring.Box);
            map.FPoints += points;
            country.Rings.push_back(std::move(ring));
        }
        map.FCountries.push_back(std::move(country));
    }
    if (!r.AtEnd()) return fail("bytes after the last country");
    return map;
}

// Rings may run past the antimeridian, so the point is tried at its own longitude and one
// turn of the globe either way.
int TWorldMap::CountryIndexAt(double lon, double lat) const {
    for (size_t i = 0; i < FCountries.size(); ++i)
        for (double shift : {0.0, 360.0, -360.0})
            if (CountryContains(FCountries[i], lon + shift, lat)) return static_cast<int>(i);
    return -1;
}

std::string TWorldMap::CountryAt(double lon, double lat) const {
    const int i = CountryIndexAt(lon, lat);
    return i < 0 ? std::string() : FCountries[static_cast<size_t>(i)].Code;
}

std::optional<double> ParseMapNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

TMapProjection::TMapProjection(double centerLon, double centerLat, double zoom, double width, double height)
    : FLon0(centerLon), FLat0(std::clamp(centerLat, -90.0, 90.0)), FW(width), FH(height) {
    FKy = 256.0 * std::pow(2.0, std::clamp(zoom, 0.0, 12.0)) / 360.0;
    FKx = FKy * std::cos(std::clamp(FLat0, -60.0, 60.0) * kPi / 180.0);
}

TGeoPoint TMapProjection::ToView(double lon, double lat) const {
    return {FW / 2 + (lon - FLon0) * FKx, FH / 2 - (lat - FLat0) * FKy};
}

double TMapProjection::NearestWrap(double lon) const {
    return -360.0 * std::round((lon - FLon0) / 360.0);
}

TGeoBox TMapProjection::VisibleBox() const {
    return {FLon0 - FW / 2 / FKx, FLat0 - FH / 2 / FKy, FLon0 + FW / 2 / FKx, FLat0 + FH / 2 / FKy};
}

} // namespace maskaddr
