// The yardstick of the start-up benchmark: what any tray utility's window costs. One
// 534 x 317 window with three buttons and a tray icon; it answers "CL IfBusy" with 0 once it
// has painted, as maskaddr.exe does when it is ready, and ends on WM_CLOSE.
//   bench_minimal_window [LIBRARY...]   (each named library is loaded before the window)
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr wchar_t kClass[] = L"TMinimalWindow";
constexpr UINT kTrayMessage = WM_APP + 1;
UINT g_ifBusy = 0;
bool g_painted = false;
NOTIFYICONDATAW g_tray{};

LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == g_ifBusy && g_ifBusy != 0) return g_painted ? 0 : 1;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT panel{180, 190, 524, 310};
        DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
        EndPaint(w, &ps);
        g_painted = true;
        return 0;
    }
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
    for (int i = 1; argv != nullptr && i < argc; ++i)
        LoadLibraryW(argv[i]);
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
