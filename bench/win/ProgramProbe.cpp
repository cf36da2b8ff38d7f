// Program-level figures of maskaddr.exe under Wine, each printed beside its target: start to
// ready (until "CL IfBusy" answers 0) and peak working set, in runs that alternate with the
// minimal window in this one Wine session; then the time from the hide and the stop command to
// the system's per-connection options naming the proxy, or a direct connection again.
//   bench_program_probe [--rounds N] [--hide-rounds N] [--same-work]
// --with ARGS (repeatable) adds the minimal window started with ARGS (libraries to load, or its
// options above; "{lookup}" stands for the lookup's address, "{images}" for the program's picture
// folder): what one library or one piece of system work costs any program here.
//   bench_program_probe --trace-starts N    (only the program's own "[Startup]" trace of N starts)
// --same-work adds a third program to the alternation: the minimal window doing the system
// work that maskaddr.exe does in the measured time (loading the libraries that it loads at
// start, one direct WinINet GET of the same lookup address on a thread, the overlay's two
// pictures decoded and drawn through GDI+, one reading of the system's proxy options after the
// first paint), which shows what that work costs any program here.
#include "ProbeKit.h"
#include "ProgramDriver.h"
#include "ProxyOptionsQuery.h"
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
        if (window == nullptr)
            window = FindProcessWindow(process.ProcessId, subject.WindowClass.c_str(), false);
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
    DWORD flags = 0;
    std::wstring server;
    if (!ReadProxyOptions(InternetQueryOptionW, flags, server) || (flags & PROXY_TYPE_PROXY) == 0) return {};
    return ToUtf8(server);
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
    std::optional<std::string> stored, queried;
    while (NowMs() - start < 10000) {
        stored = StoredProxyServer();
        if (NamesProxy(stored) == proxied) {
            const double elapsed = NowMs() - start;
            queried = QueriedProxyServer();
            if (NamesProxy(queried) == proxied) return elapsed;
        }
        Sleep(1);
    }
    std::fprintf(stderr, "program_probe: after 10 s the stored values name \"%s\", the options \"%s\"\n",
                 stored.value_or("(direct)").c_str(), queried.value_or("(direct)").c_str());
    return -1;
}

// Milliseconds from the program's trace line that contains `from` to the next one that
// contains `to`, both after `offset` in the trace file; -1 when either is missing.
double TraceSpanMs(const std::string& trace, size_t offset, const std::string& from, const std::string& to) {
    const std::string text = TFileSystemWin().ReadFile(trace).value_or("");
    auto stamp = [&text](size_t at) { // "YYYY-MM-DD HH:MM:SS.mmm [Tag] text" at the start of its line
        const size_t line = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
        int h = 0, m = 0, sec = 0, ms = 0;
        std::sscanf(text.c_str() + line + 11, "%d:%d:%d.%d", &h, &m, &sec, &ms);
        return ((h * 60.0 + m) * 60 + sec) * 1000 + ms;
    };
    const size_t begin = text.find(from, std::min(offset, text.size()));
    const size_t end = begin == std::string::npos ? begin : text.find(to, begin);
    return end == std::string::npos ? -1 : stamp(end) - stamp(begin);
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
    std::vector<double> hide, stop, keep;
    for (int i = 0; i < rounds; ++i) {
        const size_t offset = TFileSystemWin().ReadFile(trace).value_or("").size();
        const double h = TimeSwitch(main, ids::actMaskaddr, true);
        const double s = h < 0 ? -1 : TimeSwitch(main, ids::actStopHide, false);
        // In the program: from the accepted command to the journal of the user's own settings,
        // which needs one reading of the options first.
        const double k =
            TraceSpanMs(trace, offset, "[CLProxy] Hide command", "The user's proxy settings kept");
        if (k >= 0) keep.push_back(k);
        if (h < 0 || s < 0) {
            std::fprintf(stderr, "program_probe: round %d: the system's options did not change (%s)\n", i + 1,
                         app.OpenDialog() != nullptr ? DialogText(app.OpenDialog()).c_str() : "no dialog");
            return false;
        }
        std::printf("hide/stop round %2d: hide %6.1f ms (%5.0f ms of it keeping the user's settings), stop "
                    "%6.1f ms\n",
                    i + 1, h, k, s);
        hide.push_back(h);
        stop.push_back(s);
    }
    for (const auto& [name, figures] : {std::pair{"hide", hide}, std::pair{"stop", stop}}) {
        const double median = Median(figures), worst = *std::max_element(figures.begin(), figures.end());
        std::printf("%s: command to the system's per-connection options: median %.1f ms, worst %.1f ms "
                    "(target: at most %.0f ms) %s\n",
                    name, median, worst, kSwitchTargetMs, median <= kSwitchTargetMs ? "met" : "NOT MET");
    }
    std::printf("of the hide, keeping the user's own settings (one reading of the options and the journal "
                "file), from the program's trace: median %.0f ms\n",
                Median(keep));
    std::printf("one reading of the per-connection options (InternetQueryOptionW) costs any program here: "
                "median %.1f ms\n",
                QueryCostMs());
    PostMessageW(main, WM_COMMAND, ids::actExit, 0);
    app.Ended(15000);
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", nullptr);
    return true;
}

// The program's own account of where its start goes: `rounds` starts with the switch d, each
// printed as its "[Startup]" trace lines (milliseconds since the process was created).
bool TraceStarts(const std::string& exe, int rounds) {
    TScratchFolder dir;
    const std::string trace = dir / "trace.log";
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", ToWide(trace).c_str());
    for (int i = 0; i < rounds; ++i) {
        DeleteFileW(ToWide(trace).c_str());
        TProgram app(exe, "-d");
        HWND main = app.Ready();
        if (main == nullptr || !WaitForText(trace, kLookupAnswered)) return false;
        PostMessageW(main, WM_COMMAND, ids::actExit, 0);
        app.Ended(15000);
        const std::string text = TFileSystemWin().ReadFile(trace).value_or("");
        std::printf("start %d:\n", i + 1);
        if (GetEnvironmentVariableW(L"MASKADDR_PROBE_WHOLE_TRACE", nullptr, 0) != 0)
            std::printf("%s", text.c_str());
        for (size_t at = text.find("[Startup]"); at != std::string::npos; at = text.find("[Startup]", at + 1))
            std::printf("  %s\n", text.substr(at + 10, text.find('\n', at) - at - 10).c_str());
    }
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", nullptr);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 9, hideRounds = 9, traceStarts = 0;
    std::vector<std::string> extraArgs;
    bool sameWork = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--rounds" && i + 1 < argc) rounds = std::max(1, _wtoi(argv[++i]));
        if (option == L"--hide-rounds" && i + 1 < argc) hideRounds = std::max(0, _wtoi(argv[++i]));
        if (option == L"--same-work") sameWork = true;
        if (option == L"--with" && i + 1 < argc) extraArgs.push_back(ToUtf8(argv[++i]));
        if (option == L"--trace-starts" && i + 1 < argc) traceStarts = std::max(0, _wtoi(argv[++i]));
    }
    const std::string folder = TestProgramFolder();
    const std::string exe = TFileSystemWin().LongPath(FullPath(folder + "..\\maskaddr.exe"));
    const std::string minimal = "\"" + folder + "bench_minimal_window.exe\"";
    TProbeSettings settings(exe);

    if (traceStarts > 0) return TraceStarts(exe, traceStarts) ? 0 : 2;

    std::vector<TSubject> subjects;
    subjects.push_back({"minimal window", minimal, L"TMinimalWindow", WM_CLOSE, 0, {}, {}});
    const std::string images = exe.substr(0, exe.rfind('\\') + 1) + "res\\images\\";
    if (sameWork) {
        subjects.push_back({"minimal window + the same system work",
                            minimal +
                                " gdiplus.dll ole32.dll comctl32.dll version.dll --query-proxy --inet-get " +
                                settings.LookupUrl() + " --picture \"" + images + "flsbg.png\" --picture \"" +
                                images + "logo.png\"",
                            L"TMinimalWindow",
                            WM_CLOSE,
                            0,
                            {},
                            {}});
    }
    for (std::string args : extraArgs) {
        const std::string name = "minimal window " + args;
        for (const auto& [mark, value] :
             {std::pair<std::string, std::string>{"{lookup}", settings.LookupUrl()}, {"{images}", images}})
            for (size_t at = args.find(mark); at != std::string::npos; at = args.find(mark))
                args.replace(at, mark.size(), value);
        subjects.push_back({name, minimal + " " + args, L"TMinimalWindow", WM_CLOSE, 0, {}, {}});
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
