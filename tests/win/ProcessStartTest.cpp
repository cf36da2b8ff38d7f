// Real process starts: the settings store's placement across two runs, and
// maskaddr.exe itself (manifest, clean exit, debug trace switch).
#include "WinTestUtil.h"
#include "framework/settings/IniText.h"
#include "platform/win32/PlatformWin.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

// The data folder word of a program: its full path with "\", ":" and "/" as "_".
std::string FolderWord(std::string path) {
    for (char& c : path)
        if (c == '\\' || c == ':' || c == '/') c = '_';
    return path;
}

std::string FullPath(const std::string& path) {
    wchar_t full[MAX_PATH + 1] = {};
    GetFullPathNameW(ToWide(path).c_str(), MAX_PATH, full, nullptr);
    return ToUtf8(full);
}

std::string ShellFolder(HKEY root, const char* name) {
    TRegistryWin reg;
    return reg
        .ReadString(root == HKEY_CURRENT_USER ? TRegRoot::CurrentUser : TRegRoot::LocalMachine,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name)
        .value_or("");
}

std::string IniValue(const std::string& path, const char* section, const char* name) {
    TFileSystemWin fs;
    TAnsiCodecWin ansi;
    TIniText ini;
    ini.LoadFromFile(fs, path, ansi);
    return ini.ReadValue(section, name).value_or("<missing>");
}

} // namespace

TEST(ProcessStartTest, FirstStartPlacesSettingsForAllUsersAndTheSecondCountsOn) {
    TFileSystemWin fs;
    const std::string probe = fs.LongPath(TestProgramFolder() + "settings_probe.exe");
    const std::string word = FolderWord(probe);
    const std::string flagFile = ShellFolder(HKEY_CURRENT_USER, "AppData") + "\\" + word + "\\UserFlag.ini";
    const std::string userFile =
        ShellFolder(HKEY_LOCAL_MACHINE, "Common AppData") + "\\" + word + "\\setting.dat";
    ASSERT_FALSE(fs.FileExists(userFile)) << "the harness gives every run a fresh prefix";

    TProcessResult first = RunProcess("\"" + probe + "\"");
    ASSERT_EQ(first.ExitCode, 0u) << first.Output;
    EXPECT_NE(first.Output.find("RunTimes=0 AllUser=1"), std::string::npos) << first.Output;
    EXPECT_EQ(IniValue(flagFile, "Flag", "AllUsers"), "1");
    EXPECT_EQ(IniValue(userFile, "setting", "RunTimes"), "1");

    TProcessResult second = RunProcess("\"" + probe + "\"");
    ASSERT_EQ(second.ExitCode, 0u) << second.Output;
    EXPECT_NE(second.Output.find("RunTimes=1 AllUser=1"), std::string::npos) << second.Output;
    EXPECT_EQ(IniValue(userFile, "setting", "RunTimes"), "2");
}

TEST(ProcessStartTest, MaskaddrCarriesItsManifest) {
    const std::wstring exe = ToWide(TestProgramFolder() + "..\\..\\maskaddr.exe");
    HMODULE module =
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << LastErrorText();
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_NE(res, nullptr) << "no application manifest resource";
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, res)));
    std::string manifest(data, SizeofResource(module, res));
    FreeLibrary(module);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
}

TEST(ProcessStartTest, MaskaddrStartsCreatesItsStoreAndTracesOnlyWhenAsked) {
    TFileSystemWin fs;
    TScratchFolder dir;
    const std::string exe = fs.LongPath(FullPath(TestProgramFolder() + "..\\..\\maskaddr.exe"));
    const std::string trace = dir / "trace.log";
    ASSERT_TRUE(SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", ToWide(trace).c_str()));
    const std::string userFile =
        ShellFolder(HKEY_LOCAL_MACHINE, "Common AppData") + "\\" + FolderWord(exe) + "\\setting.dat";

    TProcessResult plain = RunProcess("\"" + exe + "\"");
    EXPECT_EQ(plain.ExitCode, 0u) << plain.Output;
    EXPECT_EQ(IniValue(userFile, "setting", "RunTimes"), "1");
    EXPECT_FALSE(fs.FileExists(trace)) << "the trace is off by default";

    TProcessResult install = RunProcess("\"" + exe + "\" /I");
    EXPECT_EQ(install.ExitCode, 0u);
    EXPECT_EQ(IniValue(userFile, "setting", "RunTimes"), "1")
        << "the switch i returns before the store exists";

    TProcessResult debug = RunProcess("\"" + exe + "\" -D");
    EXPECT_EQ(debug.ExitCode, 0u) << debug.Output;
    EXPECT_EQ(IniValue(userFile, "setting", "RunTimes"), "2");
    EXPECT_NE(fs.ReadFile(trace).value_or("").find("Enter Debug Mode..."), std::string::npos);
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", nullptr);
}
