// One reading of the flags and the proxy server of the system's per-connection options,
// shared by the tests, the probes and the benchmark's minimal window (which hands in the
// function it loaded itself, so that it links nothing of the program).
#pragma once

#include <windows.h>

#include <wininet.h>

#include <string>

namespace maskaddr::test {

using TQueryOption = BOOL(WINAPI*)(HINTERNET, DWORD, void*, DWORD*);

// False when the system does not answer.
inline bool ReadProxyOptions(TQueryOption query, DWORD& flags, std::wstring& server) {
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 2;
    list.pOptions = options;
    DWORD size = sizeof list;
    if (query == nullptr || !query(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
        return false;
    flags = options[0].Value.dwValue;
    server = options[1].Value.pszValue != nullptr ? options[1].Value.pszValue : L"";
    if (options[1].Value.pszValue != nullptr) GlobalFree(options[1].Value.pszValue);
    return true;
}

} // namespace maskaddr::test
