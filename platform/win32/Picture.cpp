// Picture files through GDI+, and the process's GDI+ session (see Picture.h).
#include "platform/win32/Picture.h"

#include "platform/win32/WinText.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace maskaddr {

void TGdiplusSessionTraits::Close(ULONG_PTR token) {
    Gdiplus::GdiplusShutdown(token);
}

bool StartGdiplus() {
    static const TGdiplusSession session = [] {
        TGdiplusSession started;
        Gdiplus::GdiplusStartupInput input;
        const Gdiplus::Status status = Gdiplus::GdiplusStartup(started.Receive(), &input, nullptr);
        if (status != Gdiplus::Ok) {
            TraceFailedCall("GdiplusStartup", "", "GDI+ status " + std::to_string(static_cast<int>(status)));
            started.Detach(); // nothing was started
        }
        return started;
    }();
    return session.Valid();
}

std::unique_ptr<Gdiplus::Bitmap> LoadGdiplusBitmap(const std::string& path) {
    if (!StartGdiplus()) return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> picture(Gdiplus::Bitmap::FromFile(ToWide(path).c_str()));
    if (picture != nullptr && picture->GetLastStatus() != Gdiplus::Ok) picture.reset();
    return picture;
}

TPicture LoadPictureFile(const std::string& path) {
    TPicture result;
    std::unique_ptr<Gdiplus::Bitmap> picture = LoadGdiplusBitmap(path);
    if (picture == nullptr ||
        picture->GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), result.Bitmap.Receive()) != Gdiplus::Ok)
        return {};
    result.Width = static_cast<int>(picture->GetWidth());
    result.Height = static_cast<int>(picture->GetHeight());
    return result;
}

TGdiBitmap StretchPicture(const TPicture& picture, int width, int height) {
    if (!picture) return {};
    const TWindowDC screen(nullptr);
    const TMemoryDC source(CreateCompatibleDC(screen.Get())), target(CreateCompatibleDC(screen.Get()));
    TGdiBitmap stretched(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!source || !target || !stretched) return {};
    const TSelection sourceSelection(source.Get(), picture.Bitmap.Get());
    const TSelection targetSelection(target.Get(), stretched.Get());
    const RECT all{0, 0, width, height};
    FillRect(target.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    SetStretchBltMode(target.Get(), HALFTONE);
    StretchBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0, picture.Width, picture.Height, SRCCOPY);
    return stretched;
}

} // namespace maskaddr
