// Picture files through GDI+, and the process's GDI+ session (see Picture.h).
#include "platform/win32/Picture.h"

#include "platform/win32/WinText.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

#include <cstring>

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

namespace {

// The GDI+ bitmap's pixels, premultiplied, copied row by row into a new DIB section.
TPicture AlphaPictureOf(Gdiplus::Bitmap* picture) {
    if (picture == nullptr) return {};
    const int width = static_cast<int>(picture->GetWidth()), height = static_cast<int>(picture->GetHeight());
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    TPicture result;
    result.Bitmap.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!result.Bitmap || bits == nullptr) {
        TraceLastError("CreateDIBSection", std::to_string(width) + "x" + std::to_string(height));
        return {};
    }
    Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    const Gdiplus::Status status =
        picture->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data);
    if (status != Gdiplus::Ok) {
        TraceFailedCall("Bitmap::LockBits", "PARGB",
                        "GDI+ status " + std::to_string(static_cast<int>(status)));
        return {};
    }
    for (int y = 0; y < height; ++y)
        memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * width * 4,
               static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
               static_cast<size_t>(width) * 4);
    picture->UnlockBits(&data);
    result.Width = width;
    result.Height = height;
    return result;
}

} // namespace

TPicture LoadAlphaPicture(const std::string& path) {
    return AlphaPictureOf(LoadGdiplusBitmap(path).get());
}

TPicture LoadAlphaPictureResource(const wchar_t* name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, RT_RCDATA);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (bytes == nullptr || size == 0) {
        TraceLastError("FindResourceW", ToUtf8(name));
        return {};
    }
    // The stream owns a copy; GDI+ reads the picture from it while the bitmap lives.
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = copy != nullptr ? GlobalLock(copy) : nullptr;
    if (target == nullptr) {
        if (copy != nullptr) GlobalFree(copy);
        TraceLastError("GlobalAlloc", std::to_string(size));
        return {};
    }
    memcpy(target, bytes, size);
    GlobalUnlock(copy);
    TComPtr<IStream> stream;
    const HRESULT created = CreateStreamOnHGlobal(copy, TRUE, stream.Receive());
    if (FAILED(created)) {
        GlobalFree(copy);
        TraceFailedCall("CreateStreamOnHGlobal", ToUtf8(name), ErrorText(static_cast<DWORD>(created)));
        return {};
    }
    if (!StartGdiplus()) return {};
    std::unique_ptr<Gdiplus::Bitmap> picture(Gdiplus::Bitmap::FromStream(stream.Get()));
    if (picture == nullptr || picture->GetLastStatus() != Gdiplus::Ok) return {};
    return AlphaPictureOf(picture.get());
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
