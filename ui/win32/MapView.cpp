// The country chooser's map view (see MapView.h).
#include "ui/win32/MapView.h"

#include "base/DebugTrace.h"
#include "platform/Platform.h"
#include "platform/win32/Picture.h"
#include "platform/win32/WinText.h"

#include <algorithm>
#include <cmath>
#include <map>

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace maskaddr {

namespace {

constexpr wchar_t kClassName[] = L"TMapView";
constexpr UINT kStep = WM_APP + 20; // the next stage of a load, posted to itself
constexpr std::string_view kTag = "MapView";
constexpr int kMaxProgress = 100;

Gdiplus::Color ToColor(uint32_t rgb) {
    return Gdiplus::Color(255, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool Overlaps(const TGeoBox& a, const TGeoBox& b) {
    return a.MinLon <= b.MaxLon && b.MinLon <= a.MaxLon && a.MinLat <= b.MaxLat && b.MinLat <= a.MaxLat;
}

TGeoBox Shifted(const TGeoBox& box, double lon) {
    return {box.MinLon + lon, box.MinLat, box.MaxLon + lon, box.MaxLat};
}

} // namespace

TMapView::TMapView(HWND parent, IFileSystem& files) : FFiles(files) {
    StartGdiplus();
    RECT r{};
    GetClientRect(parent, &r);
    CreateWindowHandle({kClassName, 0, nullptr, nullptr}, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, r,
                       parent);
}

// Shapes are read once per process: the chooser opens at once the second time, and the
// file is the same for every document.
const TWorldMap* TMapView::Shapes(IFileSystem& files, const std::string& path) {
    static std::map<std::string, std::unique_ptr<TWorldMap>> loaded;
    auto it = loaded.find(path);
    if (it != loaded.end()) return it->second.get();
    std::unique_ptr<TWorldMap> map;
    if (auto bytes = files.ReadFile(path)) {
        std::string error;
        if (auto parsed = TWorldMap::Parse(*bytes, &error))
            map = std::make_unique<TWorldMap>(std::move(*parsed));
        else
            DebugTrace::Trace(kTag, "Shape file " + path + " refused: " + error);
    } else {
        DebugTrace::Trace(kTag, "Shape file not readable: " + path);
    }
    return (loaded[path] = std::move(map)).get();
}

void TMapView::LoadFromString(const std::string& text, const std::string& baseFolder) {
    if (!FText.empty()) FHistory.emplace_back(FText, FBase);
    FText = text;
    FBase = baseFolder;
    Start();
}

void TMapView::Refresh() {
    if (!FText.empty()) Start();
}

void TMapView::GoBack() {
    if (FHistory.empty()) return;
    std::tie(FText, FBase) = FHistory.back();
    FHistory.pop_back();
    Start();
}

void TMapView::Start() {
    FDoc = TMapDocument::FromText(FText);
    FStage = kLoading;
    Progress(10);
    PostMessageW(Handle(), kStep, 0, 0);
}

void TMapView::Progress(int progress) {
    if (OnProgressChange) OnProgressChange(this, progress, kMaxProgress);
}

// One stage per turn of the message loop: the gauge shows while the shapes load and the
// map is drawn. A stage that finds a newer load under way does nothing.
void TMapView::Step() {
    switch (FStage) {
    case kLoading:
        FMap = Shapes(FFiles, FBase + FDoc.Shapes);
        FHighlight =
            FMap != nullptr && FDoc.HasPoint ? FMap->CountryIndexAt(FDoc.Longitude, FDoc.Latitude) : -1;
        FStage = kDrawing;
        Progress(60);
        PostMessageW(Handle(), kStep, 0, 0);
        break;
    case kDrawing: {
        Render();
        FStage = kDone;
        ++FDrawCount;
        InvalidateRect(Handle(), nullptr, FALSE);
        UpdateWindow(Handle());
        const POINT marker = ClientPoint(FDoc.Longitude, FDoc.Latitude);
        DebugTrace::Trace(
            kTag, "Map drawn: " +
                      (FDoc.HasPoint ? std::to_string(FDoc.Longitude) + "," + std::to_string(FDoc.Latitude)
                                     : std::string("no point")) +
                      " country " + HighlightedCountry() + " marker " + std::to_string(marker.x) + "," +
                      std::to_string(marker.y));
        Progress(kMaxProgress);
        break;
    }
    default:
        break;
    }
}

std::string TMapView::HighlightedCountry() const {
    return FMap != nullptr && FHighlight >= 0 ? FMap->Countries()[static_cast<size_t>(FHighlight)].Code : "";
}

double TMapView::DpiScale() const {
    const UINT dpi = Handle() != nullptr ? GetDpiForWindow(Handle()) : 0;
    return dpi == 0 ? 1.0 : dpi / 96.0;
}

// Without a point the whole world fits the map's width.
TMapProjection TMapView::Projection() const {
    if (!FDoc.HasPoint) {
        const double zoom = std::log2(std::max(1.0, FDoc.Width * 1.0) / 256.0);
        return TMapProjection(0, 0, std::max(0.0, zoom), FDoc.Width, FDoc.Height);
    }
    return TMapProjection(FDoc.Longitude, FDoc.Latitude, FDoc.Zoom, FDoc.Width, FDoc.Height);
}

// The map (Width x Height 96-dpi pixels) is centred on the client area at the window's DPI.
POINT TMapView::ClientPoint(double lon, double lat) const {
    RECT rc{};
    GetClientRect(Handle(), &rc);
    const double s = DpiScale();
    const TMapProjection projection = Projection();
    const TGeoPoint p = projection.ToView(lon + projection.NearestWrap(lon), lat);
    const double ox = (rc.right - FDoc.Width * s) / 2, oy = (rc.bottom - FDoc.Height * s) / 2;
    return POINT{static_cast<LONG>(std::lround(ox + p.Lon * s)),
                 static_cast<LONG>(std::lround(oy + p.Lat * s))};
}

void TMapView::Render() {
    RECT rc{};
    GetClientRect(Handle(), &rc);
    const int w = rc.right, h = rc.bottom;
    FBuffer = {};
    if (w <= 0 || h <= 0) return;
    const TWindowDC screen(Handle());
    FBuffer = TGdiBitmap(CreateCompatibleBitmap(screen.Get(), w, h));
    const TMemoryDC mem(CreateCompatibleDC(screen.Get()));
    const TSelection selection(mem.Get(), FBuffer.Get());
    Gdiplus::Graphics g(mem.Get());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::SolidBrush sea(ToColor(FDoc.Colors.Sea));
    g.FillRectangle(&sea, 0, 0, w, h);
    const auto s = static_cast<Gdiplus::REAL>(DpiScale());
    g.TranslateTransform((w - FDoc.Width * s) / 2, (h - FDoc.Height * s) / 2);
    g.ScaleTransform(s, s);
    DrawMap(g, Projection());
}

void TMapView::DrawMap(Gdiplus::Graphics& g, const TMapProjection& projection) {
    const TMapColors& c = FDoc.Colors;
    const TGeoBox visible = projection.VisibleBox();
    const auto W = static_cast<Gdiplus::REAL>(FDoc.Width), H = static_cast<Gdiplus::REAL>(FDoc.Height);

    if (FDoc.GraticuleStep > 0) {
        Gdiplus::Pen line(ToColor(c.Graticule), 1);
        const double step = FDoc.GraticuleStep;
        for (double lon = std::floor(visible.MinLon / step) * step; lon <= visible.MaxLon; lon += step) {
            const auto x = static_cast<Gdiplus::REAL>(projection.ToView(lon, 0).Lon);
            g.DrawLine(&line, x, 0.0f, x, H);
        }
        for (double lat = std::max(-90.0, std::floor(visible.MinLat / step) * step);
             lat <= std::min(90.0, visible.MaxLat); lat += step) {
            const auto y = static_cast<Gdiplus::REAL>(projection.ToView(0, lat).Lat);
            g.DrawLine(&line, 0.0f, y, W, y);
        }
    }

    if (FMap != nullptr) {
        Gdiplus::SolidBrush land(ToColor(c.Land)), highlight(ToColor(c.Highlight));
        Gdiplus::Pen border(ToColor(c.Border), static_cast<Gdiplus::REAL>(FDoc.BorderWidth));
        Gdiplus::Pen highlightBorder(ToColor(c.HighlightBorder),
                                     static_cast<Gdiplus::REAL>(FDoc.BorderWidth * 1.5));
        border.SetLineJoin(Gdiplus::LineJoinRound);
        highlightBorder.SetLineJoin(Gdiplus::LineJoinRound);
        std::vector<Gdiplus::PointF> points;
        auto draw = [&](const TMapCountry& country, bool highlighted) {
            for (double shift : {-360.0, 0.0, 360.0}) {
                if (!Overlaps(Shifted(country.Box, shift), visible)) continue;
                Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
                for (const TMapRing& ring : country.Rings) {
                    if (!Overlaps(Shifted(ring.Box, shift), visible)) continue;
                    points.clear();
                    for (const TGeoPoint& p : ring.Points) {
                        const TGeoPoint v = projection.ToView(p.Lon + shift, p.Lat);
                        points.emplace_back(static_cast<Gdiplus::REAL>(v.Lon),
                                            static_cast<Gdiplus::REAL>(v.Lat));
                    }
                    path.AddPolygon(points.data(), static_cast<INT>(points.size()));
                }
                g.FillPath(highlighted ? &highlight : &land, &path);
                g.DrawPath(highlighted ? &highlightBorder : &border, &path);
            }
        };
        const std::vector<TMapCountry>& countries = FMap->Countries();
        for (size_t i = 0; i < countries.size(); ++i)
            if (static_cast<int>(i) != FHighlight) draw(countries[i], false);
        if (FHighlight >= 0)
            draw(countries[static_cast<size_t>(FHighlight)], true); // on top of its neighbours
    }

    if (FDoc.HasPoint && FDoc.MarkerRadius > 0) {
        const TGeoPoint m = projection.ToView(FDoc.Longitude, FDoc.Latitude);
        const auto r = static_cast<Gdiplus::REAL>(FDoc.MarkerRadius);
        const auto x = static_cast<Gdiplus::REAL>(m.Lon), y = static_cast<Gdiplus::REAL>(m.Lat);
        Gdiplus::SolidBrush fill(ToColor(c.Marker));
        Gdiplus::Pen ring(ToColor(c.MarkerBorder), 2);
        g.FillEllipse(&fill, x - r, y - r, 2 * r, 2 * r);
        g.DrawEllipse(&ring, x - r, y - r, 2 * r, 2 * r);
    }
}

// The drawn map is copied in one step; before the first drawing the sea colour shows.
void TMapView::PaintClient(HDC dc) {
    RECT rc{};
    GetClientRect(Handle(), &rc);
    if (!FBuffer) {
        const TGdiBrush sea(CreateSolidBrush(
            RGB((FDoc.Colors.Sea >> 16) & 0xFF, (FDoc.Colors.Sea >> 8) & 0xFF, FDoc.Colors.Sea & 0xFF)));
        FillRect(dc, &rc, sea.Get());
        return;
    }
    const TMemoryDC mem(CreateCompatibleDC(dc));
    const TSelection selection(mem.Get(), FBuffer.Get());
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, SRCCOPY);
}

LRESULT TMapView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (HandlePaintMessage(msg, wParam, painted)) return painted; // painted whole from the drawn map
    switch (msg) {
    case kStep:
        Step();
        return 0;
    case WM_SIZE:
    case WM_DPICHANGED_AFTERPARENT:
        if (FStage == kDone) {
            Render();
            InvalidateRect(Handle(), nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(Handle()); // keys reach the map as they reach a browser
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        if (wParam == VK_F5) Refresh();
        if (wParam == VK_BACK) GoBack();
        return 0;
    case WM_CONTEXTMENU:
        return 0; // no context menu
    }
    return DefaultMessage(msg, wParam, lParam);
}

} // namespace maskaddr
