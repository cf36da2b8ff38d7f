// TMapView: the country chooser's map, our own offline stand-in for the embedded browser.
// It takes a map document (the filled res\map.tpl) as a browser takes a page, loads the
// country shapes the document names, and draws them with GDI+ (anti-aliased, double-
// buffered, at the window's DPI): the country under the centre highlighted, a marker at
// the centre. It reports its progress as a browser does (loading, then drawing, then done),
// reloads on F5 and goes back to the previous document on Backspace, as a browser would
// (the chooser's key filter keeps both from it). It never touches the network.
#pragma once

#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"
#include "ui/MapDocument.h"
#include "ui/WorldMap.h"
#include "ui/win32/Win32Window.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Gdiplus {
class Graphics;
} // namespace Gdiplus

namespace maskaddr {

class TMapView : public TWin32Window {
public:
    // A child window filling the parent's client area.
    TMapView(HWND parent, IFileSystem& files);

    // Loads a document (not through an address): the drawing follows over the next turns of
    // the message loop, with progress notifications.
    void LoadFromString(const std::string& text, const std::string& baseFolder);
    void Refresh(); // F5
    void GoBack();  // Backspace: the previous document, if any
    // (Progress, ProgressMax): Progress equals ProgressMax once the map is drawn.
    std::function<void(TMapView* Sender, int Progress, int ProgressMax)> OnProgressChange;

    const TMapDocument& Document() const { return FDoc; }
    // The code of the highlighted country (under the centre), empty when none.
    std::string HighlightedCountry() const;
    bool Drawn() const { return FStage == kDone; }
    int DrawCount() const { return FDrawCount; }
    // Where a geographic point lies in the client area (nearest copy of the world).
    POINT ClientPoint(double lon, double lat) const;
    double DpiScale() const;
    // The shapes of a file, loaded once per process; null when unreadable.
    static const TWorldMap* Shapes(IFileSystem& files, const std::string& path);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    IFileSystem& FFiles;
    enum TStage { kIdle, kLoading, kDrawing, kDone };
    void Start();
    void Step();
    void Progress(int progress);
    void Render();
    void DrawMap(Gdiplus::Graphics& g, const TMapProjection& projection);
    void PaintClient(HDC dc) override;
    TMapProjection Projection() const;

    TMapDocument FDoc;
    std::string FText, FBase;
    std::vector<std::pair<std::string, std::string>> FHistory; // documents before this one
    const TWorldMap* FMap = nullptr;
    int FHighlight = -1;
    TStage FStage = kIdle;
    TGdiBitmap FBuffer; // the drawn map at the client's size
    int FDrawCount = 0;
};

} // namespace maskaddr
