// Picture files through GDI+, and the process's GDI+ session (see Picture.h).
#include "platform/win32/Picture.h"

#include "platform/win32/WinText.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>

namespace maskaddr {

namespace {

constexpr size_t kKeptPictures = 8; // flags and logos that stay decoded when no window shows them

struct TPictureEntry {
    uint64_t Size = 0;
    FILETIME WriteTime{};
    std::weak_ptr<Gdiplus::Bitmap> Picture;
};

std::map<std::wstring, TPictureEntry> g_pictures;
std::deque<std::shared_ptr<Gdiplus::Bitmap>> g_keptPictures; // most recently used first
int g_decodeCount = 0;

// SIZE bytes, written by FILL into fresh memory, in a stream that owns that memory; empty
// (traced) when the memory or the stream cannot be had, or FILL says no. GDI+ keeps reading
// a picture's source while the bitmap lives: a bitmap takes its own reference to the stream.
TComPtr<IStream> StreamOfBytes(size_t size, const std::string& what, const std::function<bool(void*)>& fill) {
    TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    void* target = memory ? GlobalLock(memory.Get()) : nullptr;
    if (target == nullptr) {
        TraceLastError("GlobalAlloc", what + ", " + std::to_string(size) + " bytes");
        return {};
    }
    const bool filled = fill(target);
    GlobalUnlock(memory.Get());
    if (!filled) return {};
    TComPtr<IStream> stream;
    const HRESULT created = CreateStreamOnHGlobal(memory.Get(), TRUE, stream.Receive());
    if (FAILED(created)) {
        TraceFailedCall("CreateStreamOnHGlobal", what, ErrorText(static_cast<DWORD>(created)));
        return {};
    }
    memory.Detach(); // the stream frees it
    return stream;
}

// The file read whole into a stream, decoded from there.
std::shared_ptr<Gdiplus::Bitmap> DecodeFile(const std::wstring& path, uint64_t size) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || size == 0 || size > 64u * 1024 * 1024) return nullptr;
    const TComPtr<IStream> stream = StreamOfBytes(static_cast<size_t>(size), ToUtf8(path), [&](void* bytes) {
        DWORD read = 0;
        return ReadFile(file.Get(), bytes, static_cast<DWORD>(size), &read, nullptr) && read == size;
    });
    if (!stream) return nullptr;
    ++g_decodeCount;
    std::shared_ptr<Gdiplus::Bitmap> picture(Gdiplus::Bitmap::FromStream(stream.Get()));
    if (picture != nullptr && picture->GetLastStatus() != Gdiplus::Ok) picture.reset();
    return picture;
}

void KeepDecoded(const std::shared_ptr<Gdiplus::Bitmap>& picture) {
    std::erase(g_keptPictures, picture);
    g_keptPictures.push_front(picture);
    if (g_keptPictures.size() > kKeptPictures) g_keptPictures.pop_back();
}

} // namespace

// The pictures kept decoded go before GDI+ does (the session ends first at process exit).
void TGdiplusSessionTraits::Close(ULONG_PTR token) {
    g_keptPictures.clear();
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

std::shared_ptr<Gdiplus::Bitmap> LoadGdiplusBitmap(const std::string& path) {
    if (!StartGdiplus()) return nullptr;
    const std::wstring file = ToWide(path);
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &facts)) return nullptr;
    const uint64_t size = static_cast<uint64_t>(facts.nFileSizeHigh) << 32 | facts.nFileSizeLow;
    TPictureEntry& entry = g_pictures[file];
    std::shared_ptr<Gdiplus::Bitmap> picture = entry.Picture.lock();
    if (picture == nullptr || entry.Size != size ||
        CompareFileTime(&entry.WriteTime, &facts.ftLastWriteTime) != 0) {
        picture = DecodeFile(file, size);
        entry = {size, facts.ftLastWriteTime, picture};
    }
    if (picture != nullptr) KeepDecoded(picture);
    return picture;
}

int PictureDecodeCount() {
    return g_decodeCount;
}

TPicture LoadPictureFile(const std::string& path) {
    TPicture result;
    std::shared_ptr<Gdiplus::Bitmap> picture = LoadGdiplusBitmap(path);
    if (picture == nullptr ||
        picture->GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), result.Bitmap.Receive()) != Gdiplus::Ok)
        return {};
    result.Width = static_cast<int>(picture->GetWidth());
    result.Height = static_cast<int>(picture->GetHeight());
    return result;
}

namespace {

// The picture drawn again at width x height, smoothly (its alpha edges stay soft; the edge
// pixels are mirrored outward so that no dark fringe comes in); null when that fails.
std::unique_ptr<Gdiplus::Bitmap> ScaledBitmap(Gdiplus::Bitmap& picture, int width, int height) {
    auto scaled = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
    Gdiplus::Graphics g(scaled.get());
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    const Gdiplus::Status status =
        g.DrawImage(&picture, Gdiplus::Rect(0, 0, width, height), 0, 0, static_cast<INT>(picture.GetWidth()),
                    static_cast<INT>(picture.GetHeight()), Gdiplus::UnitPixel, &edges);
    if (status != Gdiplus::Ok) {
        TraceFailedCall("Graphics::DrawImage", std::to_string(width) + "x" + std::to_string(height),
                        "GDI+ status " + std::to_string(static_cast<int>(status)));
        return nullptr;
    }
    return scaled;
}

// The GDI+ bitmap's pixels, premultiplied, copied row by row into a new DIB section; a
// picture drawn for 96 DPI is scaled to dpi first.
TPicture AlphaPictureOf(Gdiplus::Bitmap* picture, UINT dpi) {
    if (picture == nullptr) return {};
    std::unique_ptr<Gdiplus::Bitmap> scaled;
    if (dpi != 96 && dpi != 0) {
        scaled = ScaledBitmap(*picture, MulDiv(static_cast<int>(picture->GetWidth()), static_cast<int>(dpi), 96),
                              MulDiv(static_cast<int>(picture->GetHeight()), static_cast<int>(dpi), 96));
        if (scaled) picture = scaled.get();
    }
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

TPicture LoadAlphaPicture(const std::string& path, UINT dpi) {
    return AlphaPictureOf(LoadGdiplusBitmap(path).get(), dpi);
}

TPicture LoadAlphaPictureResource(const wchar_t* name, UINT dpi) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, RT_RCDATA);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (bytes == nullptr || size == 0) {
        TraceLastError("FindResourceW", ToUtf8(name));
        return {};
    }
    const TComPtr<IStream> stream = StreamOfBytes(size, ToUtf8(name), [&](void* target) {
        memcpy(target, bytes, size);
        return true;
    });
    if (!stream) return {};
    if (!StartGdiplus()) return {};
    std::unique_ptr<Gdiplus::Bitmap> picture(Gdiplus::Bitmap::FromStream(stream.Get()));
    if (picture == nullptr || picture->GetLastStatus() != Gdiplus::Ok) return {};
    return AlphaPictureOf(picture.get(), dpi);
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
