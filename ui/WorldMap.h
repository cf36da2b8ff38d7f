// The country chooser's world map data: Natural Earth country shapes at 1:110m as the
// file res\worldmap\countries.map holds them (made by tools/make-worldmap), with the
// point-in-country test and the map's projection.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

// The file, little-endian: "MXWM", u16 version (1), u16 unit (coordinates are whole
// 1/unit degrees), u16 country count; per country its two-letter code (2 ASCII bytes), its
// name (u8 length, UTF-8 bytes) and u16 ring count; per ring a u16 point count and the
// points as i16 longitude, i16 latitude pairs. Rings close implicitly; a ring that crosses
// the antimeridian runs past +-180 degrees instead of jumping back.

struct TGeoPoint {
    double Lon = 0, Lat = 0;
};

struct TGeoBox {
    double MinLon = 0, MinLat = 0, MaxLon = 0, MaxLat = 0;
    bool Contains(double lon, double lat) const {
        return lon >= MinLon && lon <= MaxLon && lat >= MinLat && lat <= MaxLat;
    }
};

struct TMapRing {
    std::vector<TGeoPoint> Points;
    TGeoBox Box;
};

struct TMapCountry {
    std::string Code, Name;
    std::vector<TMapRing> Rings; // outer rings and holes alike: inside is an odd count of crossings
    TGeoBox Box;
};

class TWorldMap {
public:
    // The map from the file's bytes; nullopt (with the reason in error) when malformed.
    static std::optional<TWorldMap> Parse(std::string_view bytes, std::string* error = nullptr);

    const std::vector<TMapCountry>& Countries() const { return FCountries; }
    // The country that contains the point (degrees), or -1 for none (the sea).
    int CountryIndexAt(double lon, double lat) const;
    // Its two-letter code, or empty.
    std::string CountryAt(double lon, double lat) const;
    size_t PointCount() const { return FPoints; }

private:
    std::vector<TMapCountry> FCountries;
    size_t FPoints = 0;
};

// A number of the map's texts (a coordinate, a zoom): plain decimal notation with "." as
// the separator, whatever the system's locale; nullopt for anything else.
std::optional<double> ParseMapNumber(std::string_view text);

// Equirectangular with its standard parallel at the centre (clamped to 60 degrees, so the
// map keeps the look of the region), scaled as web maps scale their zoom levels: at zoom
// z a degree of latitude is 256 * 2^z / 360 pixels. View pixels are 96-dpi pixels with the
// centre in the middle of the view.
class TMapProjection {
public:
    TMapProjection(double centerLon, double centerLat, double zoom, double width, double height);
    // The view point of a geographic point, with longitude taken as given (no wrapping).
    TGeoPoint ToView(double lon, double lat) const;
    // The longitude shift (a multiple of 360) that brings lon nearest the centre.
    double NearestWrap(double lon) const;
    double PixelsPerDegreeX() const { return FKx; }
    double PixelsPerDegreeY() const { return FKy; }
    // The geographic box that the view shows, with longitudes around the centre (not wrapped).
    TGeoBox VisibleBox() const;

private:
    double FLon0, FLat0, FKx, FKy, FW, FH;
};

} // namespace maskaddr
