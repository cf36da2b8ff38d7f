// The country chooser's map document (see MapDocument.h).
#include "ui/MapDocument.h"

#include "base/Text.h"
#include "framework/settings/IniText.h"
#include "ui/WorldMap.h"

#include <algorithm>
#include <optional>

namespace maskaddr {

namespace {

std::optional<uint32_t> ParseColor(std::string_view text) {
    text = TrimView(text);
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    auto v = TryParseInt32("0x" + std::string(text.substr(1)));
    if (!v) return std::nullopt;
    return static_cast<uint32_t>(*v) & 0xFFFFFFu;
}

void ReadColors(const TIniText& ini, const std::string& section, TMapColors& c) {
    const std::pair<const char*, uint32_t*> names[] = {{"Sea", &c.Sea},
                                                       {"Land", &c.Land},
                                                       {"Border", &c.Border},
                                                       {"Highlight", &c.Highlight},
                                                       {"HighlightBorder", &c.HighlightBorder},
                                                       {"Graticule", &c.Graticule},
                                                       {"Marker", &c.Marker},
                                                       {"MarkerBorder", &c.MarkerBorder}};
    for (auto [name, field] : names)
        if (auto v = ini.ReadValue(section, name))
            if (auto color = ParseColor(*v)) *field = *color;
}

void ReadNumber(const TIniText& ini, const char* section, const char* name, double& value, double min,
                double max) {
    if (auto v = ini.ReadValue(section, name))
        if (auto n = ParseMapNumber(*v)) value = std::clamp(*n, min, max);
}

} // namespace

TMapDocument TMapDocument::FromText(std::string_view text) {
    TMapDocument d;
    TIniText ini;
    ini.ParseText(text);
    std::optional<double> lon, lat;
    if (auto v = ini.ReadValue("Map", "Longitude")) lon = ParseMapNumber(*v);
    if (auto v = ini.ReadValue("Map", "Latitude")) lat = ParseMapNumber(*v);
    d.HasPoint = lon && lat && *lat >= -90 && *lat <= 90;
    if (d.HasPoint) {
        d.Longitude = *lon;
        d.Latitude = *lat;
    }
    double width = d.Width, height = d.Height;
    ReadNumber(ini, "Map", "Width", width, 1, 4096);
    ReadNumber(ini, "Map", "Height", height, 1, 4096);
    d.Width = static_cast<int>(width);
    d.Height = static_cast<int>(height);
    ReadNumber(ini, "Map", "Zoom", d.Zoom, 0, 12);
    if (auto v = ini.ReadValue("Map", "Shapes"); v && !Trim(*v).empty()) d.Shapes = Trim(*v);
    d.Scheme = Trim(ini.ReadValue("Map", "Scheme").value_or(""));
    ReadNumber(ini, "Style", "BorderWidth", d.BorderWidth, 0, 10);
    ReadNumber(ini, "Style", "MarkerRadius", d.MarkerRadius, 0, 50);
    ReadNumber(ini, "Style", "GraticuleStep", d.GraticuleStep, 0, 90);
    ReadColors(ini, "Colors", d.Colors);
    if (!d.Scheme.empty()) ReadColors(ini, "Scheme." + d.Scheme, d.Colors);
    return d;
}

} // namespace maskaddr
