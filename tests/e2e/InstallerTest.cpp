// The real setup file under Wine (run-e2e names it, and an older one): a silent installation
// whose program hides, a silent uninstallation while it hides, and an upgrade over a running
// older installation that keeps the user's settings; the signatures of what it installs;
// removing the settings without following links; the browser check of the installed program
// and the uninstaller taking back what its "Make it follow Maskaddr" wrote.
#include "E2eSupport.h"
#include "ProgramDriver.h"
#include "Screenshot.h"
#include "WinTestUtil.h"
#include "app/MainIds.h"
#include "platform/win32/PlatformWin.h"
#include "platform/win32/WinText.h"
#include "ui/win32/SettingsForm.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const char* const kListEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Maskaddr";
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// One installation folder of the tests and what lies in it.
struct TInstallation {
    std::string Folder;
    std::string File(const std::string& name) const { return Folder + "\\" + name; }
    std::string Exe() const { return File("maskaddr.exe"); }
    std::string UserFile() const {
        return ShellFolderPath(true, "Common AppData") + "\\" + FolderWord(Exe()) + "\\setting.dat";
    }
};

std::string ListValue(const char* name) {
    return TRegistryWin().ReadString(TRegRoot::LocalMachine, kListEntry, name).value_or("<missing>");
}

bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesW(ToWide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The file version of a program's version resource, "a.b.c.d"; "" without one.
std::string FileVersion(const std::string& exe) {
    std::wstring path = ToWide(exe);
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length))
        return "";
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", info->dwFileVersionMS >> 16,
                  info->dwFileVersionMS & 0xFFFF, info->dwFileVersionLS >> 16,
                  info->dwFileVersionLS & 0xFFFF);
    return text;
}

// Runs a command line to its end; the setup and the uninstaller report failure by exit code.
void RunToEnd(const std::string& commandLine) {
    TProcessResult r = RunProcess(commandLine, 120000);
    ASSERT_FALSE(r.TimedOut) << commandLine;
    ASSERT_EQ(r.ExitCode, 0u) << commandLine << "\n" << r.Output;
}

// Whether an uninstaller still works: it goes on from a copy of itself in the temporary folder
// ("Un_A.exe"), which the command's own process only starts.
bool UninstallerCopyRunning() {
    const THandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
        if (_wcsnicmp(entry.szExeFile, L"Un_", 3) == 0) return true;
    return false;
}

// Runs an uninstaller to its real end: the command, then the copy it started. The next test's
// uninstaller cannot make its own copy while this one still runs from it.
void UninstallToEnd(const std::string& commandLine) {
    ASSERT_NO_FATAL_FAILURE(RunToEnd(commandLine));
    ASSERT_TRUE(PumpUntil([] { return !UninstallerCopyRunning(); }, 60000)) << "the uninstaller's copy ended";
}

// Runs a setup silently, then points the installed program at this run's service.
void InstallSilently(const std::string& setup, const std::string& switches, const TInstallation& at) {
    ASSERT_FALSE(setup.empty()) << "run through tests/e2e/run-e2e, after tools/package";
    ASSERT_NO_FATAL_FAILURE(RunToEnd("\"" + setup + "\" /S " + switches));
    ASSERT_TRUE(
        CopyFileW(ToWide(Env("MASKADDR_E2E_OEM")).c_str(), ToWide(at.File("oem.const.dat")).c_str(), FALSE))
        << "not installed in " << at.Folder;
}

// Starts the installed program and waits until it knows its own address and has the proxy
// list of the automatic update at start-up, so that one click hides.
HWND StartAndWaitForTheList(TProgram& app, const TInstallation& at) {
    HWND w = nullptr;
    EXPECT_EQ(app.StartUp(Env("MASKADDR_TRACE_FILE"), w), "");
    if (w == nullptr) return nullptr;
    EXPECT_TRUE(PumpUntil([&] { return IniValue(at.UserFile(), "setting", "Update.Times") == "1"; }, 30000))
        << ReadText(Env("MASKADDR_E2E_SERVICE_LOG"));
    return w;
}

// Writes a small file; true when it was written.
bool WriteSmallFile(const std::string& path) {
    return TFileSystemWin().WriteFileAtomic(path, "Maskaddr test file\r\n").empty();
}

// A Unix symbolic link at link (a Windows path; its folder exists) to the Unix path target. Wine
// makes no link through CreateSymbolicLinkW (it reports success and does nothing), so the Unix
// side's ln makes it, and the link is waited for.
bool UnixLink(const std::string& target, const std::string& link) {
    using TUnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return false;
    const size_t cut = link.find_last_of('\\');
    char* folder = unixName(ToWide(link.substr(0, cut)).c_str());
    if (folder == nullptr) return false;
    const std::string command = "Z:\\bin\\ln -s " + target + " " + folder + "/" + link.substr(cut + 1);
    HeapFree(GetProcessHeap(), 0, folder);
    return StartUnixProgram(command) &&
           PumpUntil([&] { return GetFileAttributesW(ToWide(link).c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

} // namespace

TEST(Installer, SilentInstallHidesAndSilentUninstallRemovesAllButTheSettings) {
    const TInstallation at{Env("ProgramFiles") + "\\Maskaddr"};
    const std::string shortcut = ShellFolderPath(true, "Common Programs") + "\\Maskaddr.lnk";
    ASSERT_NO_FATAL_FAILURE(InstallSilently(Env("MASKADDR_E2E_SETUP"), "/CHL=e2e", at));

    TFileSystemWin files;
    for (const char* name : {"maskaddr.exe", "const.dat", "uninstall.exe", "res\\maskaddr.dat",
                             "res\\flag_short\\US.PNG", "res\\flag_short\\LICENSE.flag-icons",
                             "lang\\English.lan", "skins\\Graphite.skn", "licenses\\zlib.txt"})
        EXPECT_TRUE(files.FileExists(at.File(name))) << name;
    EXPECT_TRUE(files.FileExists(shortcut));
    const std::string version = IniValue(at.File("const.dat"), "setting", "App.Ver");
    EXPECT_EQ(version, MASKADDR_VERSION);
    EXPECT_EQ(FileVersion(at.Exe()), version) << "the version resource";
    EXPECT_EQ(ListValue("DisplayName"), "Maskaddr");
    EXPECT_EQ(ListValue("DisplayVersion"), version);
    EXPECT_EQ(ListValue("DisplayIcon"), at.Exe() + ",0");
    EXPECT_EQ(ListValue("InstallLocation"), at.Folder);
    EXPECT_EQ(ListValue("QuietUninstallString"), "\"" + at.File("uninstall.exe") + "\" /AllUsers /S");
    EXPECT_NE(ListValue("Publisher"), "<missing>");
    EXPECT_GT(TRegistryWin().ReadDword(TRegRoot::LocalMachine, kListEntry, "EstimatedSize").value_or(0),
              1000u);
    EXPECT_EQ(TRegistryWin().ReadString(TRegRoot::LocalMachine, "Software\\Maskaddr", "CHL"), "e2e");
    // The uninstaller was signed before the setup took it in.
    EXPECT_TRUE(SignedWithThePackagesCertificate(at.File("uninstall.exe")));

    // The installed program hides, asks for the lists with the installer's channel, and
    // records its start at logon.
    TFileSystemWin().RemoveFile(Env("MASKADDR_TRACE_FILE"));
    TProgram app(at.Exe(), "-d");
    HWND w = StartAndWaitForTheList(app, at);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(ReadText(Env("MASKADDR_E2E_SERVICE_LOG")).find("&CHL=653265 "), std::string::npos)
        << ReadText(Env("MASKADDR_E2E_SERVICE_LOG"));
    SendMessageW(GetDlgItem(w, ids::cbAutorun), BM_CLICK, 0, 0);
    ASSERT_EQ(TRegistryWin().ReadString(TRegRoot::CurrentUser, kRunKey, "Maskaddr"), "\"" + at.Exe() + "\"")
        << "quoted: a path with blanks cannot start another program";
    ASSERT_EQ(app.Hide(w), "");
    ASSERT_EQ(SeenAddress(), "127.0.0.2");

    // The list entry's quiet uninstallation, as the system runs it. The uninstaller works on
    // from a copy of itself, so its end shows as the list entry going away.
    ASSERT_NO_FATAL_FAILURE(UninstallToEnd(ListValue("QuietUninstallString")));
    EXPECT_TRUE(PumpUntil([] { return ListValue("DisplayName") == "<missing>"; }, 60000));
    EXPECT_EQ(app.Ended(15000), 0) << "the uninstaller ends the running program";
    EXPECT_TRUE(IsDirect(QuerySystemProxy()));
    EXPECT_EQ(SeenAddress(), "127.0.0.1");
    EXPECT_EQ(TRegistryWin().ReadString(TRegRoot::CurrentUser, kRunKey, "Maskaddr"), std::nullopt);
    EXPECT_EQ(TRegistryWin().ReadString(TRegRoot::LocalMachine, "Software\\Maskaddr", "CHL"), std::nullopt);
    EXPECT_FALSE(FolderExists(at.Folder)) << "every installed file is gone";
    EXPECT_FALSE(files.FileExists(shortcut));
    EXPECT_TRUE(files.FileExists(at.UserFile())) << "the user's settings stay";
}

TEST(Installer, AnUpgradeOverARunningOlderInstallationKeepsTheSettings) {
    // An installation in a folder of the user's choice (/D=), which the upgrade finds again.
    const TInstallation at{"C:\\Maskaddr upgrade"};
    ASSERT_NO_FATAL_FAILURE(InstallSilently(Env("MASKADDR_E2E_OLD_SETUP"), "/D=" + at.Folder, at));
    const std::string oldVersion = ListValue("DisplayVersion");
    EXPECT_EQ(IniValue(at.File("const.dat"), "setting", "App.Ver"), oldVersion);
    EXPECT_NE(oldVersion, MASKADDR_VERSION);

    TFileSystemWin().RemoveFile(Env("MASKADDR_TRACE_FILE"));
    TProgram app(at.Exe(), "-d");
    ASSERT_NE(StartAndWaitForTheList(app, at), nullptr);
    const std::string list = IniValue(at.UserFile(), "setting", "NORMAL_IPS");
    // The list as served: with the German proxy of the country chooser's test.
    EXPECT_NE(list.find(Env("MASKADDR_E2E_PROXY") + "|United States|US|-97.00|38.00"), std::string::npos)
        << list;

    ASSERT_NO_FATAL_FAILURE(InstallSilently(Env("MASKADDR_E2E_SETUP"), "", at));
    EXPECT_EQ(app.Ended(15000), 0) << "the setup ends the running program first";
    EXPECT_EQ(ListValue("DisplayVersion"), MASKADDR_VERSION);
    EXPECT_EQ(ListValue("InstallLocation"), at.Folder);
    EXPECT_EQ(IniValue(at.File("const.dat"), "setting", "App.Ver"), MASKADDR_VERSION);
    EXPECT_EQ(IniValue(at.UserFile(), "setting", "NORMAL_IPS"), list);
    EXPECT_EQ(IniValue(at.UserFile(), "setting", "Update.Times"), "1");
}

TEST(Installer, RemovingTheSettingsLeavesWhatALinkInThemPointsTo) {
    const TInstallation at{"C:\\Maskaddr-links"};
    ASSERT_NO_FATAL_FAILURE(InstallSilently(Env("MASKADDR_E2E_SETUP"), "/D=" + at.Folder, at));
    // A folder outside, with a file, that a link in each data folder points to.
    const std::string outside = Env("MASKADDR_E2E_DIR") + "/linked-from-the-settings";
    ASSERT_TRUE(CreateDirectoryW(ToWide("Z:" + outside).c_str(), nullptr));
    ASSERT_TRUE(WriteSmallFile("Z:" + outside + "/keep.txt"));
    TFileSystemWin files;
    std::vector<std::string> dataFolders;
    for (bool machine : {false, true}) {
        const std::string data = ShellFolderPath(machine, machine ? "Common AppData" : "AppData") + "\\" +
                                 FolderWord(at.Exe());
        dataFolders.push_back(data);
        ASSERT_TRUE(files.CreateFolders(data + "\\flags"));
        ASSERT_TRUE(WriteSmallFile(data + "\\setting.dat"));
        ASSERT_TRUE(WriteSmallFile(data + "\\flags\\DE.PNG"));
        ASSERT_TRUE(UnixLink(outside, data + "\\elsewhere")) << data;
    }

    // /RemoveSettings ticks "Settings and downloaded flags", also in silent mode. The uninstaller
    // works on from a copy of itself: its end shows as the installation folder going away.
    ASSERT_NO_FATAL_FAILURE(UninstallToEnd("\"" + at.File("uninstall.exe") + "\" /S /RemoveSettings"));
    EXPECT_TRUE(PumpUntil([&] { return !FolderExists(at.Folder); }, 60000));
    // The data folders go after the installation folder, in the uninstaller's last section.
    for (const std::string& data : dataFolders)
        EXPECT_TRUE(PumpUntil([&] { return !files.FileExists(data + "\\setting.dat") && !FolderExists(data + "\\flags"); },
                            60000))
            << data;
    EXPECT_TRUE(files.FileExists("Z:" + outside + "/keep.txt")) << "what the links point to stays";
}

namespace {

// Two Firefox profiles of the account, one with a manual proxy of its own, and Chrome under a
// machine policy that sets a proxy; all of it removed again when the test ends.
struct TBrowsersOfTheUser {
    const std::string Data = ShellFolderPath(false, "AppData") + "\\Mozilla\\Firefox";
    const std::string Manual = Data + "\\Profiles\\m2.manual";
    // The user's own user.js of the manual profile: no final line break.
    const std::string UserJs = "// mine\r\nuser_pref(\"browser.startup.page\", 3);";
    const char* Clients = "Software\\Clients\\StartMenuInternet";
    const char* ChromePolicy = "Software\\Policies\\Google\\Chrome";

    bool Plant() const {
        TFileSystemWin files;
        TRegistryWin reg;
        return files.CreateFolders(Manual) && files.CreateFolders(Data + "\\Profiles\\d1.default") &&
               files.WriteFileAtomic(Data + "\\profiles.ini",
                                     "[Profile1]\r\nName=manual\r\nIsRelative=1\r\nPath=Profiles/m2.manual\r\n\r\n"
                                     "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/d1.default\r\n"
                                     "Default=1\r\n")
                   .empty() &&
               files.WriteFileAtomic(Manual + "\\prefs.js", "user_pref(\"network.proxy.type\", 1);\n").empty() &&
               files.WriteFileAtomic(Manual + "\\user.js", UserJs).empty() &&
               reg.WriteString(TRegRoot::CurrentUser, std::string(Clients) + "\\FIREFOX.EXE", "", "Firefox") &&
               reg.WriteString(TRegRoot::CurrentUser, std::string(Clients) + "\\Google Chrome", "", "Google Chrome") &&
               reg.WriteString(TRegRoot::LocalMachine, ChromePolicy, "ProxyMode", "fixed_servers") &&
               reg.WriteString(TRegRoot::LocalMachine, ChromePolicy, "ProxyServer", "127.0.0.9:3128");
    }
    ~TBrowsersOfTheUser() {
        for (const char* name : {"FIREFOX.EXE", "Google Chrome"})
            RegDeleteTreeW(HKEY_CURRENT_USER, ToWide(std::string(Clients) + "\\" + name).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ToWide(ChromePolicy).c_str());
        RemoveTree(Data);
    }
    // Removes the folder and everything in it.
    static void RemoveTree(const std::string& folder) {
        std::wstring from = ToWide(folder) + L'\0'; // a list of names, ended by a second NUL
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
};

} // namespace

TEST(Installer, TheBrowserCheckListsEachBrowserAndTheUninstallerTakesBackMakeItFollow) {
    const TInstallation at{"C:\\Maskaddr-browsers"};
    const TBrowsersOfTheUser browsers;
    ASSERT_TRUE(browsers.Plant());
    ASSERT_NO_FATAL_FAILURE(InstallSilently(Env("MASKADDR_E2E_SETUP"), "/D=" + at.Folder, at));
    TProgram app(at.Exe(), "");
    HWND w = app.Ready();
    ASSERT_NE(w, nullptr);

    TSettingsDriver settings(app, w);
    ASSERT_NE(settings.Dialog, nullptr);
    settings.NextPage();
    settings.NextPage();
    HWND list = GetDlgItem(settings.Dialog, settingsIds::lvBrowsers);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(list) != 0; }, 5000)) << "the Browser check page";
    const std::vector<std::string> rows{
        "Firefox (profile default) | hidden: follows Maskaddr",
        "Firefox (profile manual) | not hidden: uses its own proxy setting (manual)",
        "Google Chrome | not hidden: set by an administrator (manual)"};
    EXPECT_EQ(ListViewRows(list, 2), rows);

    // Chrome's policy is the administrator's: no button for it.
    ASSERT_TRUE(SelectListViewRow(list, 2));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(GetDlgItem(settings.Dialog, settingsIds::btnFollow)); },
                          5000));
    ASSERT_TRUE(SelectListViewRow(list, 1));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(GetDlgItem(settings.Dialog, settingsIds::btnFollow)); },
                          5000));
    Sleep(300); // painted before the picture is taken
    SaveScreenshot(settings.Dialog, "settings-browser-check");
    PostMessageW(GetDlgItem(settings.Dialog, settingsIds::btnFollow), BM_CLICK, 0, 0); // its message is modal
    HWND told = app.WaitForDialog("restart Firefox");
    ASSERT_NE(told, nullptr) << "Firefox must be restarted";
    const std::string line = "user_pref(\"network.proxy.type\", 5);";
    TFileSystemWin files;
    EXPECT_EQ(files.ReadFile(browsers.Manual + "\\user.js"), browsers.UserJs + "\r\n" + line);
    PressDialogButton(told, IDOK);
    const std::string followed = "Firefox (profile manual) | hidden: follows Maskaddr";
    EXPECT_TRUE(PumpUntil([&] { return ListViewRows(list, 2).at(1) == followed; }, 5000)) << ListViewRows(list, 2).at(1);
    EXPECT_TRUE(settings.Close(IDCANCEL));

    // The quiet uninstallation while the program runs: the line goes, the user's bytes stay.
    ASSERT_NO_FATAL_FAILURE(UninstallToEnd(ListValue("QuietUninstallString")));
    EXPECT_TRUE(PumpUntil([] { return ListValue("DisplayName") == "<missing>"; }, 60000));
    EXPECT_EQ(app.Ended(15000), 0);
    EXPECT_EQ(files.ReadFile(browsers.Manual + "\\user.js"), browsers.UserJs);
    EXPECT_FALSE(files.FileExists(ShellFolderPath(false, "AppData") + "\\" + FolderWord(at.Exe()) +
                                  "\\firefoxjournal.dat"));
}
