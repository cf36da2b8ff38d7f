// Real process starts: the settings store's placement across two runs, and
// maskaddr.exe itself (manifest, clean exit, debug trace switch).
#include "WinTestUtil.h"
#include "framework/settings/IniText.h"
#include "platform/win32/PlatformWin.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;

TEST(ProcessStartTest, FirstStartPlacesSettingsForAllUsersAndTheSecondCountsOn) {
    TFileSystemWin fs;
    const std::string probe = fs.LongPath(TestProgramFolder() + "settings_probe.exe");
    const std::string word = FolderWord(probe);
    const std::string flagFile = ShellFolderPath(false, "AppData") + "\\" + word + "\\UserFlag.ini";
    const std::string userFile = ShellFolderPath(true, "Common AppData") + "\\" + word + "\\setting.dat";
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
