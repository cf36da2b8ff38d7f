// Registry access through the Win32 registry functions.
#include "platform/win32/Handles.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"

#include <vector>

namespace maskaddr {

namespace {

HKEY RootKey(TRegRoot root) {
    switch (root) {
    case TRegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case TRegRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case TRegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    }
    return HKEY_CURRENT_USER;
}

TRegKey OpenKey(TRegRoot root, const std::string& key, REGSAM access) {
    TRegKey k;
    if (RegOpenKeyExW(RootKey(root), ToWide(key).c_str(), 0, access, k.Receive()) != ERROR_SUCCESS)
        k.Detach();
    return k;
}

TRegKey CreateKey(TRegRoot root, const std::string& key) {
    TRegKey k;
    if (RegCreateKeyExW(RootKey(root), ToWide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, k.Receive(), nullptr) != ERROR_SUCCESS)
        k.Detach();
    return k;
}

} // namespace

bool TRegistryWin::KeyExists(TRegRoot root, const std::string& key) {
    return OpenKey(root, key, KEY_READ).Valid();
}

std::optional<std::string> TRegistryWin::ReadString(TRegRoot root, const std::string& key,
                                                    const std::string& name) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    if (!k) return std::nullopt;
    const std::wstring wname = ToWide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(k.Get(), wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(k.Get(), wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    // The stored data need not end with a terminator; the buffer always has one more.
    return ToUtf8(std::wstring(buffer.data()));
}

std::optional<uint32_t> TRegistryWin::ReadDword(TRegRoot root, const std::string& key,
                                                const std::string& name) {
    TRegKey k = OpenKey(root, key, KEY_READ);
    if (!k) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(k.Get(), ToWide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

bool TRegistryWin::WriteString(TRegRoot root, const std::string& key, const std::string& name,
                               const std::string& value) {
    TRegKey k = CreateKey(root, key);
    if (!k) return false;
    const std::wstring data = ToWide(value);
    return RegSetValueExW(k.Get(), ToWide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TRegistryWin::WriteDword(TRegRoot root, const std::string& key, const std::string& name,
                              uint32_t value) {
    TRegKey k = CreateKey(root, key);
    if (!k) return false;
    DWORD data = value;
    return RegSetValueExW(k.Get(), ToWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool TRegistryWin::DeleteValue(TRegRoot root, const std::string& key, const std::string& name) {
    TRegKey k = OpenKey(root, key, KEY_SET_VALUE);
    if (!k) return true;
    LSTATUS rc = RegDeleteValueW(k.Get(), ToWide(name).c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// Key names are at most 255 characters; a key that changes while it is enumerated ends the
// list where the system stops.
std::vector<std::string> TRegistryWin::SubKeys(TRegRoot root, const std::string& key) {
    std::vector<std::string> names;
    TRegKey k = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS);
    if (!k) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(k.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(ToUtf8(std::wstring(name, length)));
    }
    return names;
}

} // namespace maskaddr
