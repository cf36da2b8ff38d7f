// Driving the real maskaddr.exe from a test (see ProgramDriver.h).
#include "ProgramDriver.h"

#include "ProxyOptionsQuery.h"
#include "WinTestUtil.h"

#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/Process.h"
#include "platform/win32/WinText.h"
#include "ui/win32/SettingsForm.h"

#include <commctrl.h>
#include <wininet.h>

namespace maskaddr::test {

TProgram::TProgram(const std::string& exe, const std::string& args) : FExe(exe) {
    TProcessHandles started = StartProcess("\"" + exe + "\" " + args);
    FProcess = std::move(started.Process);
    FPid = started.ProcessId;
}

TProgram::~TProgram() {
    if (FProcess && WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT) {
        if (HWND w = Window(0)) PostMessageW(w, WM_COMMAND, ids::actExit, 0);
        if (WaitForSingleObject(FProcess.Get(), 10000) != WAIT_OBJECT_0) TerminateProcess(FProcess.Get(), 1);
    }
}

HWND FindProcessWindow(DWORD pid, const wchar_t* className, bool visibleOnly) {
    struct Search {
        DWORD pid;
        const wchar_t* cls;
        bool visible;
        HWND found;
    } s{pid, className, visibleOnly, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == s->pid && std::wstring(cls) == s->cls && (!s->visible || IsWindowVisible(w)))
                s->found = w;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND TProgram::WaitForClass(const std::wstring& className, bool visibleOnly, DWORD waitMs) const {
    HWND w = nullptr;
    PumpUntil([&] { return (w = FindProcessWindow(FPid, className.c_str(), visibleOnly)) != nullptr; }, waitMs);
    return w;
}

HWND TProgram::Window(DWORD waitMs) const {
    return WaitForClass(L"TfrmMain", false, waitMs);
}

HWND TProgram::WaitForWindow(const std::string& className, DWORD waitMs) const {
    return WaitForClass(ToWide(className), true, waitMs);
}

HWND TProgram::ExistingWindow(const std::string& className) const {
    return FindProcessWindow(FPid, ToWide(className).c_str(), false);
}

HWND TProgram::Ready() const {
    HWND w = Window();
    const UINT busy = RegisterWindowMessageW(L"CL IfBusy");
    auto idle = [&] {
        DWORD_PTR answer = 1;
        return SendMessageTimeoutW(w, busy, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) && answer == 0;
    };
    return w != nullptr && PumpUntil(idle, 20000) ? w : nullptr;
}

long TProgram::Ended(DWORD waitMs) const {
    if (WaitForSingleObject(FProcess.Get(), waitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.Get(), &code);
    return static_cast<long>(code);
}

long TProgram::Exit(HWND main, DWORD waitMs) const {
    PostMessageW(main, WM_COMMAND, ids::actExit, 0);
    return Ended(waitMs);
}

void TProgram::Kill() {
    TerminateProcess(FProcess.Get(), 9);
    WaitForSingleObject(FProcess.Get(), 10000);
}

// Wine runs a Unix program given to CreateProcessW (without a handle to wait on): a
// shell script that kills, by its id, the process of this prefix whose command line
// names the program's file.
bool TProgram::KillUnixProcess() const {
    using TUnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char prefix[1024] = {};
    if (unixName == nullptr || GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix) == 0)
        return false;
    const std::string exe = FExe.substr(FExe.rfind('\\') + 1);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string script = ToUtf8(temp) + "kill-" + std::to_string(FPid) + ".sh";
    TFileSystemWin fs;
    fs.WriteFileAtomic(script, "for d in /proc/[0-9]*; do\n"
                               "  tr '\\0' '\\n' <$d/environ 2>/dev/null | grep -qxF 'WINEPREFIX=" +
                                   std::string(prefix) +
                                   "' || continue\n"
                                   "  tr '\\0' ' ' <$d/cmdline 2>/dev/null | grep -qiF '" +
                                   exe +
                                   "' && kill -KILL ${d#/proc/}\n"
                                   "done\n");
    char* scriptUnix = unixName(ToWide(script).c_str());
    if (scriptUnix == nullptr) return false;
    std::wstring command = L"Z:\\bin\\sh " + ToWide(scriptUnix);
    HeapFree(GetProcessHeap(), 0, scriptUnix);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    if (pi.hProcess != nullptr) CloseHandle(pi.hProcess);
    if (pi.hThread != nullptr) CloseHandle(pi.hThread);
    const bool ended = started && Ended(15000) != -1;
    fs.RemoveFile(script);
    return ended;
}

std::string UserFileOf(const std::string& exe) {
    return ShellFolderPath(true, "Common AppData") + "\\" + FolderWord(exe) + "\\setting.dat";
}

std::string WriteOwnFirefoxPath(const std::string& exe, const std::string& firefox) {
    const std::string folder = ShellFolderPath(false, "AppData") + "\\" + FolderWord(exe);
    TFileSystemWin fs;
    fs.CreateFolders(folder);
    return fs.WriteFileAtomic(folder + "\\setting.dat", "[setting]\r\nFireFoxPath=" + firefox + "\r\n");
}

std::string WriteServiceUserFile(const std::string& exe, const std::string& service,
                                 const std::string& lines) {
    const std::string path = UserFileOf(exe);
    TFileSystemWin fs;
    fs.CreateFolders(path.substr(0, path.rfind('\\')));
    return fs.WriteFileAtomic(path, "[setting]\r\nURL.Update=" + service +
                                        "/update\r\nURL.GetInfo=" + service +
                                        "/getinfo\r\nURL.FlagPath=" + service + "/flags/\r\n" + lines);
}

std::string CopyProgram(const std::string& fromFolder, const std::string& toFolder,
                        const std::string& serviceUrl) {
    TFileSystemWin fs;
    for (const char* sub : {"res\\images", "lang", "skins"})
        if (!fs.CreateFolders(toFolder + "\\" + sub)) return {};
    for (const char* file :
         {"maskaddr.exe", "const.dat", "res\\maskaddr.dat", "res\\images\\splash.png",
          "res\\images\\flsbg.png", "res\\images\\logo.png", "lang\\English.lan", "skins\\Graphite.skn"})
        if (!CopyFileW(ToWide(fromFolder + file).c_str(), ToWide(toFolder + "\\" + file).c_str(), FALSE))
            return {};
    const std::string exe = fs.LongPath(toFolder + "\\maskaddr.exe");
    return WriteServiceUserFile(exe, serviceUrl, "").empty() ? exe : std::string();
}

std::string TBuiltApp::Exe() {
    return TFileSystemWin().LongPath(FullPath(TestProgramFolder() + "..\\..\\maskaddr.exe"));
}

std::string TBuiltApp::UserFile() {
    return UserFileOf(Exe());
}

std::string TBuiltApp::WriteUserFile(const std::string& service, const std::string& lines) {
    return WriteServiceUserFile(Exe(), service, lines);
}

TSettingsDriver::TSettingsDriver(const TProgram& app, HWND main) {
    PostMessageW(main, WM_COMMAND, ids::actSettings, 0); // the dialog runs inside the command
    Dialog = app.WaitForWindow("TfrmSettings");
}

bool TSettingsDriver::Checked(int id) const {
    return SendMessageW(GetDlgItem(Dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TSettingsDriver::Click(int id) const {
    SendMessageW(GetDlgItem(Dialog, id), BM_CLICK, 0, 0);
}

void TSettingsDriver::NextPage() const {
    SendMessageW(GetDlgItem(Dialog, settingsIds::pcSetting), WM_KEYDOWN, VK_RIGHT, 0);
}

bool TSettingsDriver::Close(int button) const {
    PostMessageW(GetDlgItem(Dialog, button), BM_CLICK, 0, 0);
    return PumpUntil([this] { return !IsWindow(Dialog); }, 5000);
}

namespace {

// Memory in the process of a window, freed with this object.
class TRemoteBuffer {
public:
    TRemoteBuffer(HWND window, size_t size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        FProcess.Attach(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (FProcess) FAt = VirtualAllocEx(FProcess.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    TRemoteBuffer(const TRemoteBuffer&) = delete;
    TRemoteBuffer& operator=(const TRemoteBuffer&) = delete;
    ~TRemoteBuffer() {
        if (FAt != nullptr) VirtualFreeEx(FProcess.Get(), FAt, 0, MEM_RELEASE);
    }
    bool Valid() const { return FAt != nullptr; }
    // The address of byte offset in that process.
    LPARAM At(size_t offset) const { return reinterpret_cast<LPARAM>(static_cast<char*>(FAt) + offset); }
    bool Write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(FProcess.Get(), static_cast<char*>(FAt) + offset, data, size, nullptr) != 0;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(FProcess.Get(), static_cast<char*>(FAt) + offset, data, size, nullptr) != 0;
    }

private:
    THandle FProcess;
    void* FAt = nullptr;
};

constexpr size_t kTextChars = 512;

} // namespace

// The item record lies at the buffer's start and the text after it.
std::vector<std::string> ListViewRows(HWND list, int columns) {
    std::vector<std::string> rows;
    TRemoteBuffer buffer(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
    if (!buffer.Valid()) return rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::string line;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = reinterpret_cast<LPWSTR>(buffer.At(sizeof item));
            item.cchTextMax = kTextChars;
            wchar_t text[kTextChars] = {};
            if (!buffer.Write(0, &item, sizeof item)) return rows;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), buffer.At(0));
            buffer.Read(sizeof item, text, sizeof text);
            text[kTextChars - 1] = L'\0';
            line += (column > 0 ? " | " : "") + ToUtf8(text);
        }
        rows.push_back(line);
    }
    return rows;
}

bool SelectListViewRow(HWND list, int row) {
    TRemoteBuffer buffer(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return buffer.Valid() && buffer.Write(0, &item, sizeof item) &&
           SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), buffer.At(0)) != 0;
}

std::string ControlText(HWND main, int id) {
    wchar_t text[256] = {};
    SendMessageW(GetDlgItem(main, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return ToUtf8(text);
}

HWND TProgram::OpenDialog() const {
    return FindProcessWindow(FPid, L"#32770", true);
}

HWND TProgram::WaitForDialog(const std::string& text, DWORD waitMs) const {
    HWND d = nullptr;
    return PumpUntil([&] { return (d = OpenDialog()) != nullptr && DialogText(d).find(text) != std::string::npos; },
                     waitMs)
               ? d
               : nullptr;
}

std::string TProgram::ClickOnce(HWND main, int command, const std::function<bool()>& done,
                                DWORD waitMs) const {
    PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(command), 0);
    ULONGLONG deadline = GetTickCount64() + waitMs;
    do {
        if (done()) return "";
        if (HWND d = OpenDialog()) {
            Sleep(100); // the dialog is complete
            return "a dialog opened: " + DialogText(d);
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return done() ? "" : "nothing happened within " + std::to_string(waitMs) + " ms";
}

std::string TProgram::Hide(HWND main) const {
    Sleep(1100);
    return ClickOnce(main, ids::actMaskaddr,
                     [main] { return ControlText(main, ids::btnHide) == "&Stop Hide"; });
}

std::string TProgram::StartUp(const std::string& trace, HWND& main) const {
    main = Ready();
    if (main == nullptr) return "the program never became ready";
    if (!WaitForText(trace, kLookupAnswered)) return "the lookup never answered: " + TFileSystemWin().ReadFile(trace).value_or("");
    return "";
}

std::string TProgram::StartAndHide(const std::string& trace, HWND& main) const {
    const std::string started = StartUp(trace, main);
    return started.empty() ? Hide(main) : started;
}

std::string DialogText(HWND dialog) {
    auto text = [](HWND w) {
        wchar_t buf[1024] = {};
        SendMessageW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
        return ToUtf8(buf);
    };
    std::string all = text(dialog);
    std::pair<std::string*, decltype(text)*> ctx{&all, &text};
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<std::pair<std::string*, decltype(text)*>*>(p);
            std::string t = (*c->second)(w);
            if (!t.empty()) *c->first += " | " + t;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return all;
}

// The notification a button sends its dialog when clicked: message boxes and task dialogs
// both act on it.
void PressDialogButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool WaitForText(const std::string& file, const std::string& text, DWORD waitMs) {
    TFileSystemWin fs;
    return PumpUntil([&] { return fs.ReadFile(file).value_or("").find(text) != std::string::npos; }, waitMs);
}

TProxyState QuerySystemProxy() {
    TProxyState state;
    std::wstring server;
    if (ReadProxyOptions(InternetQueryOptionW, state.Flags, server)) state.Server = ToUtf8(server);
    TRegistryWin reg;
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    state.RegistryServer = reg.ReadString(TRegRoot::CurrentUser, key, "ProxyServer").value_or("<missing>");
    state.RegistryEnable = reg.ReadDword(TRegRoot::CurrentUser, key, "ProxyEnable");
    state.RegistryBypass = reg.ReadString(TRegRoot::CurrentUser, key, "ProxyOverride");
    return state;
}

void PrintTo(const TProxyState& s, std::ostream* out) {
    *out << "{flags " << s.Flags << ", server \"" << s.Server << "\", ProxyServer \"" << s.RegistryServer
         << "\", ProxyEnable " << (s.RegistryEnable ? std::to_string(*s.RegistryEnable) : "missing")
         << ", ProxyOverride \"" << s.RegistryBypass.value_or("<missing>") << "\"}";
}

} // namespace maskaddr::test
