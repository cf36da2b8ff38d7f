// Move-only owners of Win32 handles: each closes what it holds exactly once.
#pragma once

#include <windows.h>

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

using THandle = TUniqueHandle<HANDLE, TKernelHandleTraits>;   // events, mutexes, tokens, threads
using TFileHandle = TUniqueHandle<HANDLE, TFileHandleTraits>; // CreateFileW results
using TRegKey = TUniqueHandle<HKEY, TRegKeyTraits>;

} // namespace maskaddr
