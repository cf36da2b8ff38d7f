// Window screenshots as PNG files (see Screenshot.h).
#include "Screenshot.h"

#include "platform/win32/Picture.h"
#include "platform/win32/WinText.h"

#include <objidl.h>

#include <gdiplus.h>
#include <vector>

namespace maskaddr::test {

namespace {

bool PngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (size == 0) return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(encoders[i].MimeType) == L"image/png") {
            clsid = encoders[i].Clsid;
            return true;
        }
    return false;
}

} // namespace

std::string SaveScreenshot(HWND window, const std::string& name) {
    char unixDir[MAX_PATH] = {};
    if (GetEnvironmentVariableA("MASKADDR_ARTIFACTS", unixDir, MAX_PATH) == 0) return {};
    std::string dir = unixDir;
    for (char& c : dir)
        if (c == '/') c = '\\';
    if (dir.rfind("\\", 0) == 0) dir = "Z:" + dir;
    CreateDirectoryW(ToWide(dir).c_str(), nullptr);
    const std::string path = dir + "\\" + name + ".png";

    int w = 0, h = 0;
    const TGdiBitmap bitmap = CaptureWindow(window, w, h);
    if (!bitmap || !StartGdiplus()) return {};
    Gdiplus::Bitmap picture(bitmap.Get(), nullptr);
    CLSID png;
    if (PngEncoder(png) && picture.Save(ToWide(path).c_str(), &png, nullptr) == Gdiplus::Ok) return path;
    return {};
}

TGdiBitmap CaptureWindow(HWND window, int& width, int& height) {
    RECT r{};
    GetWindowRect(window, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return {};
    const TWindowDC screen(nullptr);
    const TMemoryDC mem(CreateCompatibleDC(screen.Get()));
    TGdiBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    const TSelection selection(mem.Get(), bitmap.Get());
    BitBlt(mem.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY);
    return bitmap;
}

std::vector<RGBQUAD> CapturePixels(HWND window, int& width, int& height) {
    const TGdiBitmap bmp = CaptureWindow(window, width, height);
    if (!bmp) return {};
    const TWindowDC screen(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(screen.Get(), bmp.Get(), 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS);
    return pixels;
}

} // namespace maskaddr::test
