// The country chooser's map document: the text of res\map.tpl with its six placeholders
// filled ({1} longitude, {2} latitude, {3} width, {4} height, {5} "URL.MapMask", {6} zoom),
// an INI document like the overlay's scene description, read into what the map view draws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace maskaddr {

struct TMapColors {
    uint32_t Sea = 0xA9CDE6, Land = 0xF3EFE4, Border = 0x9A9384, Highlight = 0xF6B26B,
             HighlightBorder = 0xB45309, Graticule = 0xC4DDEE, Marker = 0xD7261E, MarkerBorder = 0xFFFFFF;
};

struct TMapDocument {
    // The centre, in degrees; HasPoint is false when either coordinate is missing or not a
    // number (a lookup reply without them): the view then shows the whole world, unmarked.
    double Longitude = 0, Latitude = 0;
    bool HasPoint = false;
    // The map's size in 96-dpi pixels, centred on the panel that shows it (a map larger than
    // the panel is cut at its edges), and its zoom level.
    int Width = 447, Height = 375;
    double Zoom = 4;
    // The colour scheme: the value of "URL.MapMask" names a section "Scheme.NAME" whose
    // colours replace those of [Colors]; an empty or unknown name keeps them.
    std::string Scheme;
    TMapColors Colors;
    double BorderWidth = 0.8, MarkerRadius = 6, GraticuleStep = 10; // step 0: no graticule
    // The shape file, relative to the template's folder.
    std::string Shapes = "worldmap\\countries.map";

    static TMapDocument FromText(std::string_view text);
};

} // namespace maskaddr
