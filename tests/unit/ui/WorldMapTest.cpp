// The world map data as shipped (res/worldmap/countries.map): its file format, the
// point-in-country test at known places, the projection, and the map document.
#include "ui/WorldMap.h"
#include "ui/MapDocument.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

using namespace maskaddr;

namespace {

std::string ShippedMap() {
    std::ifstream in(std::string(MASKADDR_SOURCE_DIR) + "/res/worldmap/countries.map", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const TWorldMap& Map() {
    static const TWorldMap map = [] {
        std::string error;
        auto m = TWorldMap::Parse(ShippedMap(), &error);
        EXPECT_TRUE(m.has_value()) << error;
        return m.value_or(TWorldMap());
    }();
    return map;
}

} // namespace

TEST(WorldMap, TheShippedFileHoldsEveryCountryCompactly) {
    const std::string bytes = ShippedMap();
    EXPECT_LT(bytes.size(), 300u * 1024) << "a few hundred KB at most";
    EXPECT_EQ(Map().Countries().size(), 177u);
    EXPECT_GT(Map().PointCount(), 8000u);
}

TEST(WorldMap, KnownPlacesLieInTheirCountries) {
    struct TCase {
        const char* Place;
        double Lon, Lat;
        const char* Code;
    };
    const TCase cases[] = {
        {"Berlin", 13.40, 52.52, "DE"},
        {"Canberra", 149.13, -35.28, "AU"},
        {"Paris", 2.35, 48.86, "FR"},
        {"Kansas", -97.0, 38.0, "US"},
        {"Sao Paulo", -46.63, -23.55, "BR"},
        {"Tokyo", 139.69, 35.69, "JP"},
        {"Maseru (a hole in ZA)", 27.48, -29.31, "LS"},
        {"Johannesburg", 28.05, -26.20, "ZA"},
        {"Anadyr (past 180)", 177.5, 64.73, "RU"},
        {"Chukotka east of 180", -172.0, 65.5, "RU"},
        {"Fiji, Vanua Levu", 179.3, -16.5, "FJ"},
        {"South Pole", 0.0, -89.9, "AQ"},
        {"Mid-Atlantic", -30.0, 30.0, ""},
        {"Pacific", -140.0, 0.0, ""},
        {"Indian Ocean", 80.0, -30.0, ""},
        {"Mediterranean", 18.0, 35.0, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Map().CountryAt(c.Lon, c.Lat), c.Code) << c.Place;
}

TEST(WorldMap, MalformedFilesAreRefused) {
    const std::string good = ShippedMap();
    std::string error;
    EXPECT_FALSE(TWorldMap::Parse("", &error));
    EXPECT_FALSE(TWorldMap::Parse("XXXX" + good.substr(4), &error));
    EXPECT_EQ(error, "not a world map file");
    EXPECT_FALSE(TWorldMap::Parse(good.substr(0, good.size() - 1), &error));
    EXPECT_EQ(error, "truncated ring");
    EXPECT_FALSE(TWorldMap::Parse(good + "x", &error));
    EXPECT_EQ(error, "bytes after the last country");
    std::string badVersion = good;
    badVersion[4] = 2;
    EXPECT_FALSE(TWorldMap::Parse(badVersion, &error));
}

TEST(MapProjection, CentreInTheMiddleAndWebZoomScale) {
    const TMapProjection p(13.40, 52.52, 4, 447, 375);
    const TGeoPoint c = p.ToView(13.40, 52.52);
    EXPECT_DOUBLE_EQ(c.Lon, 223.5);
    EXPECT_DOUBLE_EQ(c.Lat, 187.5);
    EXPECT_NEAR(p.PixelsPerDegreeY(), 4096.0 / 360, 1e-9);
    EXPECT_NEAR(p.PixelsPerDegreeX(), 4096.0 / 360 * std::cos(52.52 * 3.14159265358979 / 180), 1e-9);
    const TGeoPoint east = p.ToView(14.40, 52.52), north = p.ToView(13.40, 53.52);
    EXPECT_GT(east.Lon, c.Lon);
    EXPECT_LT(north.Lat, c.Lat) << "north is up";
    EXPECT_DOUBLE_EQ(p.NearestWrap(-160), 0);
    EXPECT_DOUBLE_EQ(p.NearestWrap(-170), 360) << "190 is nearer 13.4 than -170";
    EXPECT_DOUBLE_EQ(TMapProjection(170, 0, 4, 100, 100).NearestWrap(-170), 360);
}

TEST(MapDocument, ReadsTheFilledTemplate) {
    const TMapDocument d = TMapDocument::FromText("[Map]\nLongitude=-97.00\nLatitude=38.00\nWidth=447\n"
                                                  "Height=375\nScheme=Gray\nZoom=4\n[Colors]\nSea=#010203\n"
                                                  "[Scheme.Gray]\nLand=#040506\n");
    EXPECT_TRUE(d.HasPoint);
    EXPECT_DOUBLE_EQ(d.Longitude, -97);
    EXPECT_DOUBLE_EQ(d.Latitude, 38);
    EXPECT_EQ(d.Colors.Sea, 0x010203u);
    EXPECT_EQ(d.Colors.Land, 0x040506u) << "the scheme's colours win";
    EXPECT_FALSE(TMapDocument::FromText("[Map]\nLongitude=\nLatitude=52\n").HasPoint) << "no coordinates";
    EXPECT_FALSE(TMapDocument::FromText("[Map]\nLongitude=13,4\nLatitude=52\n").HasPoint);
    EXPECT_EQ(TMapDocument::FromText("[Map]\nScheme=Unknown\n").Colors.Sea, TMapColors().Sea);
    EXPECT_EQ(ParseMapNumber(" -35.28 "), -35.28);
    EXPECT_EQ(ParseMapNumber("+149"), 149.0);
    EXPECT_FALSE(ParseMapNumber("1e3"));
    EXPECT_FALSE(ParseMapNumber("abc"));
}
