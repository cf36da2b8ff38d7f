// Program-level figures of maskaddr.exe under Wine, each printed beside its target: start to
// ready (until "CL IfBusy" answers 0) and peak working set, in runs that alternate with the
// minimal window in this one Wine session; then the time from the hide and the stop command to
// the system's per-connection options naming the proxy, or a direct connection again.
//   bench_program_probe [--rounds N] [--hide-rounds N] [--same-work]
// --same-work adds a third program to the alternation: the minimal window doing the system
// work that maskaddr.exe must do before it is ready (one reading of the system's proxy
// options, one direct WinHTTP GET of the same lookup address, the overlay's two pictures
// decoded and drawn through GDI+), which shows what that work costs any program here.
#include "ProbeKit.h"
#include "ProgramDriver.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/Process.h"

#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace maskaddr;
using namespace maskaddr::bench;
using namespace maskaddr::test;

namespace {

constexpr double kStartRatioTarget = 1.4, kMemoryRatioTarget = 1.3, kSwitchTargetMs = 20;
constexpr DWORD kSettleMs = 1000; // after ready: the lookup's answer is drawn before the peak is read

struct TSubject {
    std::string Name;
    std::string CommandLine;
    std::wstring WindowClass;
    UINT CloseMessage;
    WPARAM CloseParam;
    std::vector<double> ReadyMs, PeakMiB;
};

// A top-level window of the process with that class, or nullptr.
HWND ProcessWindow(DWORD pid, const std::wstring& className) {
    struct Search {
        DWORD pid;
        const wchar_t* cls;
        HWND found;
    } s{pid, className.c_str(), nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == s->pid && lstrcmpW(cls, s->cls) == 0) s->found = w;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// One start: from creating the process until its window answers "CL IfBusy" with 0; the peak
// working set a second later; then the program is ended as its user ends it.
bool MeasureStart(TSubject& subject) {
    const UINT ifBusy = RegisterWindowMessageW(L"CL IfBusy");
    const double start = NowMs();
    TProcessHandles process = StartProcess(subject.CommandLine);
    if (!process.Process) return false;
    HWND window = nullptr;
    double ready = -1;
    while (NowMs() - start < 30000) {
        if (window == nullptr) window = ProcessWindow(process.ProcessId, subject.WindowClass);
        DWORD_PTR answer = 1;
        if (window != nullptr && SendMessageTimeoutW(window, ifBusy, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
            answer == 0) {
            ready = NowMs() - start;
            break;
        }
        Sleep(2);
    }
    bool measured = false;
    if (ready >= 0) {
        Sleep(kSettleMs);
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(process.Process.Get(), &memory, sizeof memory)) {
            subject.ReadyMs.push_back(ready);
            subject.PeakMiB.push_back(static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
            measured = true;
        }
        PostMessageW(window, subject.CloseMessage, subject.CloseParam, 0);
    }
    if (WaitForSingleObject(process.Process.Get(), 15000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "program_probe: %s did not end; ended by force\n", subject.Name.c_str());
        TerminateProcess(process.Process.Get(), 1);
        WaitForSingleObject(process.Process.Get(), 5000);
    }
    return measured;
}

void PrintStartFigures(const std::vector<TSubject>& subjects) {
    const TSubject& base = subjects[0];
    const double baseReady = Median(base.ReadyMs), baseMemory = Median(base.PeakMiB);
    std::printf("\n%-40s %12s %8s %14s %8s\n", "start to ready, median of runs", "ms", "ratio", "peak MiB",
                "ratio");
    for (const TSubject& s : subjects) {
        const double ready = Median(s.ReadyMs), memory = Median(s.PeakMiB);
        std::printf("%-40s %12.1f %8.2f %14.1f %8.2f\n", s.Name.c_str(), ready, ready / baseReady, memory,
                    memory / baseMemory);
    }
    const TSubject& program = subjects.back();
    const double readyRatio = Median(program.ReadyMs) / baseReady,
                 memoryRatio = Median(program.PeakMiB) / baseMemory;
    std::printf("start to ready: %.2f x the minimal window (target: at most %.1f x) %s\n", readyRatio,
                kStartRatioTarget, readyRatio <= kStartRatioTarget ? "met" : "NOT MET");
    std::printf("peak working set: %.2f x the minimal window (target: at most %.1f x) %s\n", memoryRatio,
                kMemoryRatioTarget, memoryRatio <= kMemoryRatioTarget ? "met" : "NOT MET");
}

// The proxy server the per-connection options of the system's web settings name now; none
// for a direct connection.
std::optional<std::string> QueriedProxyServer() {
    INTERNET_PER_CONN_OPTIONW options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof list;
    list.dwOptionCount = 2;
    list.pOptions = options;
    DWORD size = sizeof list;
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) return {};
    std::string server;
    if (options[1].Value.pszValue != nullptr) {
        server = ToUtf8(options[1].Value.pszValue);
        GlobalFree(options[1].Value.pszValue);
    }
    if ((options[0].Value.dwValue & PROXY_TYPE_PROXY) == 0) return {};
    return server;
}

// The same as Wine keeps it: the per-connection options are the Internet Settings values
// ProxyEnable and ProxyServer. A query of the options themselves costs Wine tens of
// milliseconds (it looks for a proxy script through DHCP and DNS each time), too coarse for
// polling; the result is checked through it once the values have changed.
std::optional<std::string> StoredProxyServer() {
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    DWORD enable = 0, size = sizeof enable;
    if (RegGetValueW(HKEY_CURRENT_USER, key, L"ProxyEnable", RRF_RT_REG_DWORD, nullptr, &enable, &size) !=
            ERROR_SUCCESS ||
        enable == 0)
        return {};
    wchar_t server[512] = {};
    size = sizeof server;
    RegGetValueW(HKEY_CURRENT_USER, key, L"ProxyServer", RRF_RT_REG_SZ, nullptr, server, &size);
    return ToUtf8(server);
}

bool NamesProxy(const std::optional<std::string>& server) {
    return server.has_value() && server->find("127.0.0.") != std::string::npos;
}

// Posts the command a second after the previous one (the program's guard) and returns the
// milliseconds until the system's options name a proxy (proxied) or a direct connection;
// -1 when they did not within 10 s or the options disagree with the stored values.
double TimeSwitch(HWND main, int command, bool proxied) {
    Sleep(1100);
    const double start = NowMs();
    PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(command), 0);
    while (NowMs() - start < 10000) {
        if (NamesProxy(StoredProxyServer()) == proxied) {
            const double elapsed = NowMs() - start;
            return NamesProxy(QueriedProxyServer()) == proxied ? elapsed : -1;
        }
        Sleep(1);
    }
    return -1;
}

// What one reading of the per-connection options costs any program under this system.
double QueryCostMs() {
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        const double start = NowMs();
        QueriedProxyServer();
        times.push_back(NowMs() - start);
    }
    return Median(times);
}

bool MeasureHide(const std::string& exe, int rounds) {
    TScratchFolder dir;
    const std::string trace = dir / "trace.log";
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", ToWide(trace).c_str());
    TProgram app(exe, "-d");
    HWND main = app.Ready();
    if (main == nullptr || !WaitForText(trace, kLookupAnswered)) {
        std::fprintf(stderr, "program_probe: the program did not become ready for hiding\n");
        return false;
    }
    std::vector<double> hide, stop;
    for (int i = 0; i < rounds; ++i) {
        const double h = TimeSwitch(main, ids::actMaskaddr, true);
        const double s = h < 0 ? -1 : TimeSwitch(main, ids::actStopHide, false);
        if (h < 0 || s < 0) {
            std::fprintf(stderr, "program_probe: round %d: the system's options did not change (%s)\n", i + 1,
                         app.OpenDialog() != nullptr ? DialogText(app.OpenDialog()).c_str() : "no dialog");
            return false;
        }
        std::printf("hide/stop round %2d: hide %6.1f ms, stop %6.1f ms\n", i + 1, h, s);
        hide.push_back(h);
        stop.push_back(s);
    }
    for (const auto& [name, figures] : {std::pair{"hide", hide}, std::pair{"stop", stop}}) {
        const double median = Median(figures), worst = *std::max_element(figures.begin(), figures.end());
        std::printf("%s: command to the system's per-connection options: median %.1f ms, worst %.1f ms "
                    "(target: at most %.0f ms) %s\n",
                    name, median, worst, kSwitchTargetMs, median <= kSwitchTargetMs ? "met" : "NOT MET");
    }
    std::printf("one reading of the per-connection options (InternetQueryOptionW) costs any program here: "
                "median %.1f ms\n",
                QueryCostMs());
    PostMessageW(main, WM_COMMAND, ids::actExit, 0);
    app.Ended(15000);
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", nullptr);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 9, hideRounds = 9;
    bool sameWork = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--rounds" && i + 1 < argc) rounds = std::max(1, _wtoi(argv[++i]));
        if (option == L"--hide-rounds" && i + 1 < argc) hideRounds = std::max(0, _wtoi(argv[++i]));
        if (option == L"--same-work") sameWork = true;
    }
    const std::string folder = TestProgramFolder();
    const std::string exe = TFileSystemWin().LongPath(FullPath(folder + "..\\maskaddr.exe"));
    const std::string minimal = "\"" + folder + "bench_minimal_window.exe\"";
    TProbeSettings settings(exe);

    std::vector<TSubject> subjects;
    subjects.push_back({"minimal window", minimal, L"TMinimalWindow", WM_CLOSE, 0, {}, {}});
    if (sameWork) {
        const std::string images = exe.substr(0, exe.rfind('\\') + 1) + "res\\images\\";
        subjects.push_back({"minimal window + the same system work",
                            minimal + " --query-proxy --get " + settings.LookupUrl() + " --picture \"" +
                                images + "flsbg.png\" --picture \"" + images + "logo.png\"",
                            L"TMinimalWindow",
                            WM_CLOSE,
                            0,
                            {},
                            {}});
    }
    subjects.push_back({"maskaddr.exe", "\"" + exe + "\"", L"TfrmMain", WM_COMMAND, ids::actExit, {}, {}});

    // One start of each first, not counted: the system's own files come into the cache.
    for (TSubject& s : subjects) {
        TSubject warm = s;
        if (!MeasureStart(warm)) {
            std::fprintf(stderr, "program_probe: %s did not become ready\n", s.Name.c_str());
            return 2;
        }
    }
    for (int i = 0; i < rounds; ++i) {
        for (TSubject& s : subjects) {
            if (!MeasureStart(s)) {
                std::fprintf(stderr, "program_probe: %s did not become ready\n", s.Name.c_str());
                return 2;
            }
            std::printf("start round %2d: %-40s %7.1f ms %7.1f MiB\n", i + 1, s.Name.c_str(),
                        s.ReadyMs.back(), s.PeakMiB.back());
        }
    }
    PrintStartFigures(subjects);
    std::fflush(stdout);
    if (hideRounds > 0 && !MeasureHide(exe, hideRounds)) return 2;
    return 0;
}
