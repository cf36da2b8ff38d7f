// Picture files (PNG, BMP, JPEG, GIF) through GDI+: as GDI+ bitmaps for drawing with
// alpha, as GDI bitmaps for controls and device contexts, or as premultiplied 32-bit
// bitmaps for layered windows. GDI+ starts here, once, as the process's one session, and
// each file is decoded once while it stays the same.
#pragma once

#include "platform/win32/Handles.h"

#include <memory>
#include <string>

namespace Gdiplus {
class Bitmap;
} // namespace Gdiplus

namespace maskaddr {

// Starts GDI+ on the first call; the session lasts until the process ends. False (and
// the failure traced) when GDI+ cannot start.
bool StartGdiplus();

// A GDI bitmap with its size.
struct TPicture {
    TGdiBitmap Bitmap;
    int Width = 0, Height = 0;
    explicit operator bool() const { return Bitmap.Valid(); }
};

// A picture file as a GDI+ bitmap; null when it cannot be read or decoded. Every window that
// shows the same unchanged file (same size and write time) gets the same decoded bitmap: the
// last few stay decoded even when no window holds them. The file is read whole and not kept
// open. User-interface thread only.
std::shared_ptr<Gdiplus::Bitmap> LoadGdiplusBitmap(const std::string& path);
// How many times a picture file has been decoded in this process.
int PictureDecodeCount();
// A picture file as a GDI bitmap, transparent parts over white; empty when it cannot be
// read or decoded.
TPicture LoadPictureFile(const std::string& path);
// A picture file as a top-down 32-bit bitmap with premultiplied alpha, the form that
// UpdateLayeredWindow takes, scaled smoothly from 96 DPI to dpi; empty when it cannot be
// read or decoded.
TPicture LoadAlphaPicture(const std::string& path, UINT dpi = 96);
// The same from a picture among the program's own resources (type RCDATA).
TPicture LoadAlphaPictureResource(const wchar_t* name, UINT dpi = 96);

// The picture stretched (halftone) into a new screen-compatible bitmap of that size, on a
// ground of the button-face colour; empty for an empty picture.
TGdiBitmap StretchPicture(const TPicture& picture, int width, int height);

} // namespace maskaddr
