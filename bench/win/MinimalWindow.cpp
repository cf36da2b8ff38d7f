// The yardstick of the start-up benchmark: what any tray utility's window costs. One
// 534 x 317 window with three buttons and a tray icon; it answers "CL IfBusy" with 0 once it
// has painted, as maskaddr.exe does when it is ready, and ends on WM_CLOSE.
//   bench_minimal_window [LIBRARY.dll...] [--query-proxy] [--get URL] [--inet-get URL]
//                        [--picture PNG...]
// The options add system work of the kind maskaddr.exe does, so that its cost under this
// system is measured apart from the program: each library is loaded, the system's
// per-connection proxy options are read once right after the first paint (as the program's
// look for a hide of its own left behind does), one direct GET runs on a thread of its own
// through WinHTTP (--get) or WinINet (--inet-get, as the lookup of the user's own address
// does), and each picture is decoded and drawn through GDI+ in the first paint. The libraries
// come in only when asked for.
#include <windows.h>

#include "ProxyOptionsQuery.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kClass[] = L"TMinimalWindow";
constexpr UINT kTrayMessage = WM_APP + 1, kQueryMessage = WM_APP + 2;
UINT g_ifBusy = 0;
bool g_painted = false, g_queryProxy = false;
NOTIFYICONDATAW g_tray{};
std::vector<std::wstring> g_pictures;

template <typename T> T Entry(const wchar_t* library, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(library), name)));
}

// The system's proxy options, read the way a program that switches them reads them.
void QueryProxyOptions() {
    DWORD flags = 0;
    std::wstring server;
    maskaddr::test::ReadProxyOptions(
        Entry<maskaddr::test::TQueryOption>(L"wininet.dll", "InternetQueryOptionW"), flags, server);
}

// One direct GET of the address, on a thread of its own; the reply is read and dropped.
DWORD WINAPI DirectGet(void* parameter) {
    const std::wstring url = static_cast<const wchar_t*>(parameter);
    using TOpen = HINTERNET(WINAPI*)(const wchar_t*, DWORD, const wchar_t*, const wchar_t*, DWORD);
    using TConnect = HINTERNET(WINAPI*)(HINTERNET, const wchar_t*, INTERNET_PORT, DWORD);
    using TRequest = HINTERNET(WINAPI*)(HINTERNET, const wchar_t*, const wchar_t*, const wchar_t*,
                                        const wchar_t*, const wchar_t**, DWORD);
    using TSend = BOOL(WINAPI*)(HINTERNET, const wchar_t*, DWORD, void*, DWORD, DWORD, DWORD_PTR);
    using TReceive = BOOL(WINAPI*)(HINTERNET, void*);
    using TRead = BOOL(WINAPI*)(HINTERNET, void*, DWORD, DWORD*);
    using TClose = BOOL(WINAPI*)(HINTERNET);
    const wchar_t* winhttp = L"winhttp.dll";
    constexpr DWORD kNoProxy = 1; // WINHTTP_ACCESS_TYPE_NO_PROXY (winhttp.h and wininet.h do not mix)
    const size_t hostAt = url.find(L"//") + 2, portAt = url.find(L':', hostAt),
                 pathAt = url.find(L'/', hostAt);
    const std::wstring host = url.substr(hostAt, std::min(portAt, pathAt) - hostAt);
    const auto port = static_cast<INTERNET_PORT>(portAt < pathAt ? _wtoi(url.c_str() + portAt + 1) : 80);
    auto close = Entry<TClose>(winhttp, "WinHttpCloseHandle");
    HINTERNET session = Entry<TOpen>(winhttp, "WinHttpOpen")(L"Minimal", kNoProxy, nullptr, nullptr, 0);
    HINTERNET connection =
        session ? Entry<TConnect>(winhttp, "WinHttpConnect")(session, host.c_str(), port, 0) : nullptr;
    HINTERNET request =
        connection ? Entry<TRequest>(winhttp, "WinHttpOpenRequest")(connection, L"GET", url.c_str() + pathAt,
                                                                    nullptr, nullptr, nullptr, 0)
                   : nullptr;
    if (request && Entry<TSend>(winhttp, "WinHttpSendRequest")(request, nullptr, 0, nullptr, 0, 0, 0) &&
        Entry<TReceive>(winhttp, "WinHttpReceiveResponse")(request, nullptr)) {
        char buffer[4096];
        DWORD read = 0;
        while (Entry<TRead>(winhttp, "WinHttpReadData")(request, buffer, sizeof buffer, &read) && read > 0) {
        }
    }
    for (HINTERNET h : {request, connection, session})
        if (h) close(h);
    return 0;
}

// The same GET through WinINet opened for a direct connection.
DWORD WINAPI DirectInetGet(void* parameter) {
    const wchar_t* url = static_cast<const wchar_t*>(parameter);
    using TOpen = HINTERNET(WINAPI*)(const wchar_t*, DWORD, const wchar_t*, const wchar_t*, DWORD);
    using TOpenUrl = HINTERNET(WINAPI*)(HINTERNET, const wchar_t*, const wchar_t*, DWORD, DWORD, DWORD_PTR);
    using TRead = BOOL(WINAPI*)(HINTERNET, void*, DWORD, DWORD*);
    using TClose = BOOL(WINAPI*)(HINTERNET);
    const wchar_t* wininet = L"wininet.dll";
    HINTERNET session =
        Entry<TOpen>(wininet, "InternetOpenW")(L"Minimal", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET request =
        session ? Entry<TOpenUrl>(wininet, "InternetOpenUrlW")(
                      session, url, nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
                : nullptr;
    char buffer[4096];
    DWORD read = 0;
    while (request && Entry<TRead>(wininet, "InternetReadFile")(request, buffer, sizeof buffer, &read) &&
           read > 0) {
    }
    for (HINTERNET h : {request, session})
        if (h) Entry<TClose>(wininet, "InternetCloseHandle")(h);
    return 0;
}

// Each picture decoded and drawn at the top left through the GDI+ flat interface.
void DrawPictures(HDC dc) {
    if (g_pictures.empty()) return;
    struct TInput {
        UINT32 Version = 1;
        void* Callback = nullptr;
        BOOL NoThread = FALSE, NoCodecs = FALSE;
    } input;
    using TStartup = int(WINAPI*)(ULONG_PTR*, const TInput*, void*);
    using TFromFile = int(WINAPI*)(const wchar_t*, void**);
    using TFromDC = int(WINAPI*)(HDC, void**);
    using TDraw = int(WINAPI*)(void*, void*, INT, INT, INT, INT);
    using TFree = int(WINAPI*)(void*);
    const wchar_t* gdiplus = L"gdiplus.dll";
    ULONG_PTR token = 0;
    void* graphics = nullptr;
    if (Entry<TStartup>(gdiplus, "GdiplusStartup")(&token, &input, nullptr) != 0 ||
        Entry<TFromDC>(gdiplus, "GdipCreateFromHDC")(dc, &graphics) != 0)
        return;
    for (const std::wstring& file : g_pictures) {
        void* picture = nullptr;
        if (Entry<TFromFile>(gdiplus, "GdipLoadImageFromFile")(file.c_str(), &picture) != 0) continue;
        Entry<TDraw>(gdiplus, "GdipDrawImageRectI")(graphics, picture, 0, 0, 534, 180);
        Entry<TFree>(gdiplus, "GdipDisposeImage")(picture);
    }
    Entry<TFree>(gdiplus, "GdipDeleteGraphics")(graphics);
}

LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == g_ifBusy && g_ifBusy != 0) return g_painted ? 0 : 1;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT panel{180, 190, 524, 310};
        DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
        if (!g_painted) {
            DrawPictures(dc);
            if (g_queryProxy) PostMessageW(w, kQueryMessage, 0, 0);
        }
        EndPaint(w, &ps);
        g_painted = true;
        return 0;
    }
    case kQueryMessage:
        QueryProxyOptions();
        return 0;
    case WM_DESTROY:
        Shell_NotifyIconW(NIM_DELETE, &g_tray);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, msg, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--query-proxy")
            g_queryProxy = true;
        else if (arg == L"--get" && i + 1 < argc)
            CloseHandle(CreateThread(nullptr, 0, DirectGet, argv[++i], 0, nullptr));
        else if (arg == L"--inet-get" && i + 1 < argc)
            CloseHandle(CreateThread(nullptr, 0, DirectInetGet, argv[++i], 0, nullptr));
        else if (arg == L"--picture" && i + 1 < argc)
            g_pictures.push_back(argv[++i]);
        else
            LoadLibraryW(argv[i]);
    }
    g_ifBusy = RegisterWindowMessageW(L"CL IfBusy");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame{0, 0, 534, 317};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND w =
        CreateWindowExW(0, kClass, L"Minimal", style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const wchar_t* captions[] = {L"&Maskaddr", L"Choose &IP Country", L"Se&ttings"};
    for (int i = 0; i < 3; ++i) {
        HWND b = CreateWindowExW(0, L"BUTTON", captions[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP, 16,
                                 196 + 40 * i, 150, 32, w,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)), instance, nullptr);
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    g_tray.cbSize = sizeof g_tray;
    g_tray.hWnd = w;
    g_tray.uID = 1;
    g_tray.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    g_tray.uCallbackMessage = kTrayMessage;
    g_tray.hIcon = wc.hIcon;
    lstrcpynW(g_tray.szTip, L"Minimal", ARRAYSIZE(g_tray.szTip));
    Shell_NotifyIconW(NIM_ADD, &g_tray);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
