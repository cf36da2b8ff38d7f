// The country chooser's map: a template text with its placeholders filled from a lookup
// reply's coordinates (the first two parts), read as the map document, and any bytes read
// as the shape file, with the projection and the country test run over the result.
#include "FuzzSupport.h"
#include "base/Text.h"
#include "ui/MapDocument.h"
#include "ui/WorldMap.h"

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 4);
    const std::string filled = FormatBraces(parts[0], {parts[1], parts[2], "477", "405", "Night", "4"});
    const TMapDocument doc = TMapDocument::FromText(filled);
    const TMapProjection projection(doc.Longitude, doc.Latitude, doc.Zoom, doc.Width, doc.Height);
    (void)projection.VisibleBox();
    (void)projection.ToView(doc.Longitude, doc.Latitude);
    (void)projection.NearestWrap(doc.Longitude);
    if (auto map = TWorldMap::Parse(parts[3])) {
        (void)map->CountryAt(doc.Longitude, doc.Latitude);
        (void)map->CountryIndexAt(13.4, 52.5);
    }
    return 0;
}
