// Window screenshots as PNG files (see Screenshot.h).
#include "Screenshot.h"

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

    static ULONG_PTR token = 0;
    if (token == 0) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    int w = 0, h = 0;
    HBITMAP bitmap = CaptureWindow(window, w, h);
    if (bitmap == nullptr) return {};
    std::string written;
    {
        Gdiplus::Bitmap picture(bitmap, nullptr);
        CLSID png;
        if (PngEncoder(png) && picture.Save(ToWide(path).c_str(), &png, nullptr) == Gdiplus::Ok)
            written = path;
    }
    DeleteObject(bitmap);
    return written;
}

HBITMAP CaptureWindow(HWND window, int& width, int& height) {
    RECT r{};
    GetWindowRect(window, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

} // namespace maskaddr::test
