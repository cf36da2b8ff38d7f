// Move-only owners of Win32 handles: each closes what it holds exactly once. Kernel
// objects, files, registry keys, GDI objects, device contexts (with a scope that selects
// an object into one and puts the old one back), menus, LocalAlloc and GlobalAlloc memory, COM interface
// pointers, the handles of a started process, the process's GDI+ session, and
// cryptography providers and keys.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include <utility>

namespace maskaddr {

template <typename T, typename Traits> class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(T h) : FHandle(h) {}
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Detach()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    ~TUniqueHandle() { Close(); }

    T Get() const { return FHandle; }
    bool Valid() const { return Traits::Valid(FHandle); }
    explicit operator bool() const { return Valid(); }
    void Attach(T h) {
        Close();
        FHandle = h;
    }
    T Detach() { return std::exchange(FHandle, Traits::Invalid()); }
    void Close() {
        if (Valid()) Traits::Close(FHandle);
        FHandle = Traits::Invalid();
    }
    // For APIs that return a handle through a pointer argument.
    T* Receive() {
        Close();
        return &FHandle;
    }

private:
    T FHandle = Traits::Invalid();
};

// Traits of handles whose empty value is null and that one function frees. The function is
// one of ours: the address of an imported system function is no constant.
template <typename T, auto CloseFn> struct TNullHandleTraits {
    static T Invalid() { return nullptr; }
    static bool Valid(T h) { return h != nullptr; }
    static void Close(T h) { CloseFn(h); }
};
inline void DeleteGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void DeleteMemoryDC(HDC dc) {
    DeleteDC(dc);
}
inline void DestroyMenuHandle(HMENU menu) {
    DestroyMenu(menu);
}
inline void FreeLocalMemory(void* memory) {
    LocalFree(memory);
}
inline void FreeGlobalMemory(HGLOBAL memory) {
    GlobalFree(memory);
}
inline void DestroyWindowHandle(HWND window) {
    DestroyWindow(window);
}
inline void CloseCryptAlgorithm(BCRYPT_ALG_HANDLE algorithm) {
    BCryptCloseAlgorithmProvider(algorithm, 0);
}
inline void DestroyCryptKey(BCRYPT_KEY_HANDLE key) {
    BCryptDestroyKey(key);
}
template <typename T> void ReleaseComObject(T* object) {
    object->Release();
}

struct TKernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct TFileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct TRegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool Valid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};

using THandle = TUniqueHandle<HANDLE, TKernelHandleTraits>;   // events, mutexes, tokens, processes, threads
using TFileHandle = TUniqueHandle<HANDLE, TFileHandleTraits>; // CreateFileW results
using TRegKey = TUniqueHandle<HKEY, TRegKeyTraits>;

// GDI objects (fonts, bitmaps, brushes, pens) of the program's own, deleted with DeleteObject.
// Never for stock objects or an object still selected into a device context.
template <typename T> using TGdiObject = TUniqueHandle<T, TNullHandleTraits<T, DeleteGdiObject>>;
using TGdiFont = TGdiObject<HFONT>;
using TGdiBitmap = TGdiObject<HBITMAP>;
using TGdiBrush = TGdiObject<HBRUSH>;

// A memory device context (CreateCompatibleDC), deleted with DeleteDC.
using TMemoryDC = TUniqueHandle<HDC, TNullHandleTraits<HDC, DeleteMemoryDC>>;

// A menu that is no window's menu (CreatePopupMenu, CreateMenu), destroyed with DestroyMenu.
using TMenuHandle = TUniqueHandle<HMENU, TNullHandleTraits<HMENU, DestroyMenuHandle>>;

// A window with no object behind it (a message-only window, say), destroyed with
// DestroyWindow; the thread that created it must be the one that lets it go.
using TWindowHandle = TUniqueHandle<HWND, TNullHandleTraits<HWND, DestroyWindowHandle>>;

// Memory the system allocated for the caller to free with LocalFree (FormatMessageW with
// FORMAT_MESSAGE_ALLOCATE_BUFFER, CommandLineToArgvW).
template <typename T> using TLocalMemory = TUniqueHandle<T*, TNullHandleTraits<T*, FreeLocalMemory>>;

// Memory of GlobalAlloc, freed with GlobalFree unless handed on (CreateStreamOnHGlobal with
// fDeleteOnRelease takes it over: Detach once the stream exists).
using TGlobalMemory = TUniqueHandle<HGLOBAL, TNullHandleTraits<HGLOBAL, FreeGlobalMemory>>;

// A cryptography algorithm provider (BCryptOpenAlgorithmProvider) and a key (BCryptImportKeyPair).
using TCryptAlgorithm =
    TUniqueHandle<BCRYPT_ALG_HANDLE, TNullHandleTraits<BCRYPT_ALG_HANDLE, CloseCryptAlgorithm>>;
using TCryptKey = TUniqueHandle<BCRYPT_KEY_HANDLE, TNullHandleTraits<BCRYPT_KEY_HANDLE, DestroyCryptKey>>;

// A COM interface pointer holding one reference of ours, released once.
template <typename T> using TComPtr = TUniqueHandle<T*, TNullHandleTraits<T*, ReleaseComObject<T>>>;

// The device context of a window, or of the screen for a null window (GetDC), given back
// with ReleaseDC to the window it came from.
class TWindowDC {
public:
    TWindowDC() = default;
    explicit TWindowDC(HWND window) : FWindow(window), FDC(GetDC(window)) {}
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    TWindowDC(TWindowDC&& other) noexcept
        : FWindow(std::exchange(other.FWindow, nullptr)), FDC(other.Detach()) {}
    TWindowDC& operator=(TWindowDC&& other) noexcept {
        if (this != &other) Attach(std::exchange(other.FWindow, nullptr), other.Detach());
        return *this;
    }
    ~TWindowDC() { Close(); }

    HDC Get() const { return FDC; }
    bool Valid() const { return FDC != nullptr; }
    explicit operator bool() const { return Valid(); }
    void Attach(HWND window, HDC dc) {
        Close();
        FWindow = window;
        FDC = dc;
    }
    // The caller then gives the context back to the window itself.
    HDC Detach() { return std::exchange(FDC, nullptr); }
    void Close() {
        if (FDC != nullptr) ReleaseDC(FWindow, FDC);
        FDC = nullptr;
    }

private:
    HWND FWindow = nullptr;
    HDC FDC = nullptr;
};

// Selects an object into a device context for the scope's life and then puts back the
// object that was selected before, so the object can be deleted and the context freed.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() {
        if (FOld != nullptr && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
    }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// The two handles CreateProcessW returns for a started process, and its identifier.
struct TProcessHandles {
    THandle Process, Thread;
    DWORD ProcessId = 0;
    explicit operator bool() const { return Process.Valid(); }
};

// A GDI+ session (the token of GdiplusStartup), ended with GdiplusShutdown. The program has
// one for the whole process: StartGdiplus (platform/win32/Picture.h) owns it.
struct TGdiplusSessionTraits {
    static ULONG_PTR Invalid() { return 0; }
    static bool Valid(ULONG_PTR token) { return token != 0; }
    static void Close(ULONG_PTR token); // in Picture.cpp, beside the start
};
using TGdiplusSession = TUniqueHandle<ULONG_PTR, TGdiplusSessionTraits>;

} // namespace maskaddr
