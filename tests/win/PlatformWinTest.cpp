// The Win32 platform implementations against the real system (Wine here).
#include "platform/win32/PlatformWin.h"
#include "UpdateSigning.h"
#include "WinTestUtil.h"
#include "base/Text.h"
#include "framework/engine/UpdateCheck.h"
#include "framework/settings/IniText.h"
#include "platform/win32/Picture.h"

#include "UpdatePublicKey.h"

#include <aclapi.h>
#include <objidl.h> // GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

const std::string kTestKey = "Software\\MaskaddrTests\\" + std::to_string(GetCurrentProcessId());

class RegistryWinTest : public ::testing::Test {
protected:
    TRegistryWin Reg;
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, ToWide(kTestKey).c_str()); }
};

} // namespace

TEST_F(RegistryWinTest, StringAndDwordValuesRoundTripAndKeysAreCreated) {
    EXPECT_FALSE(Reg.KeyExists(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er"));
    const std::string text = "http=127.0.0.2:8888;ftp=\xC3\xA9\xE4\xB8\xAD;";
    ASSERT_TRUE(Reg.WriteString(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er", "ProxyServer", text));
    ASSERT_TRUE(Reg.WriteDword(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er", "ProxyEnable", 0xFFFFFFFFu));
    EXPECT_TRUE(Reg.KeyExists(TRegRoot::CurrentUser, kTestKey + "\\deep\\er"));
    EXPECT_EQ(Reg.ReadString(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er", "proxyserver"), text);
    EXPECT_EQ(Reg.ReadDword(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er", "ProxyEnable"), 0xFFFFFFFFu);
    // A value of the other type, or a missing one, reads as nothing.
    EXPECT_EQ(Reg.ReadDword(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er", "ProxyServer"), std::nullopt);
    EXPECT_EQ(Reg.ReadString(TRegRoot::CurrentUser, kTestKey + "\\Deep\\Er", "ProxyEnable"), std::nullopt);
    EXPECT_EQ(Reg.ReadString(TRegRoot::CurrentUser, kTestKey + "\\Missing", "x"), std::nullopt);
    // An empty string is a value, not a missing one.
    ASSERT_TRUE(Reg.WriteString(TRegRoot::CurrentUser, kTestKey, "Empty", ""));
    EXPECT_EQ(Reg.ReadString(TRegRoot::CurrentUser, kTestKey, "Empty"), "");
}

TEST_F(RegistryWinTest, DeleteValueRemovesOnlyThatValue) {
    ASSERT_TRUE(Reg.WriteString(TRegRoot::CurrentUser, kTestKey, "Maskaddr", "C:\\x.exe"));
    ASSERT_TRUE(Reg.WriteString(TRegRoot::CurrentUser, kTestKey, "Other", "keep"));
    EXPECT_TRUE(Reg.DeleteValue(TRegRoot::CurrentUser, kTestKey, "Maskaddr"));
    EXPECT_EQ(Reg.ReadString(TRegRoot::CurrentUser, kTestKey, "Maskaddr"), std::nullopt);
    EXPECT_EQ(Reg.ReadString(TRegRoot::CurrentUser, kTestKey, "Other"), "keep");
    EXPECT_TRUE(Reg.DeleteValue(TRegRoot::CurrentUser, kTestKey, "Maskaddr")) << "already gone";
    EXPECT_TRUE(Reg.DeleteValue(TRegRoot::CurrentUser, kTestKey + "\\NoSuchKey", "x"));
}

TEST_F(RegistryWinTest, SubKeysAreTheDirectChildrenOnly) {
    for (const char* key : {"\\Firefox-308046B0", "\\Google Chrome\\shell\\open", "\\\xC3\xA9t\xC3\xA9"})
        ASSERT_TRUE(Reg.WriteString(TRegRoot::CurrentUser, kTestKey + "\\Clients" + key, "", "x"));
    std::vector<std::string> names = Reg.SubKeys(TRegRoot::CurrentUser, kTestKey + "\\Clients");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Firefox-308046B0", "Google Chrome", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_TRUE(Reg.SubKeys(TRegRoot::CurrentUser, kTestKey + "\\Missing").empty());
}

TEST(FileSystemWinTest, ReadUpToACapReadsNoLargerFile) {
    TFileSystemWin fs;
    TScratchFolder dir;
    const std::string path = dir / "prefs.js";
    ASSERT_EQ(fs.WriteFileAtomic(path, std::string(4096, 'p')), "");
    EXPECT_EQ(fs.ReadFileUpTo(path, 4096), std::string(4096, 'p'));
    EXPECT_EQ(fs.ReadFileUpTo(path, 4095), std::nullopt);
    EXPECT_EQ(fs.ReadFileUpTo(dir / "missing", 4096), std::nullopt);
}

TEST(FileSystemWinTest, CreateFoldersMakesEveryMissingParent) {
    TFileSystemWin fs;
    TScratchFolder dir;
    const std::string deep = dir / "a\\b b\\c\\";
    EXPECT_TRUE(fs.CreateFolders(deep));
    EXPECT_NE(GetFileAttributesW(ToWide(dir / "a\\b b\\c").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(fs.CreateFolders(deep)) << "an existing folder is fine";
    ASSERT_EQ(fs.WriteFileAtomic(dir / "file", "x"), "");
    EXPECT_FALSE(fs.CreateFolders(dir / "file\\sub")) << "a file stands in the way";
}

TEST(FileSystemWinTest, LongPathExpandsShortNames) {
    TFileSystemWin fs;
    TScratchFolder dir;
    ASSERT_TRUE(fs.CreateFolders(dir / "A Rather Long Folder Name"));
    wchar_t shortPath[MAX_PATH + 1] = {};
    ASSERT_NE(GetShortPathNameW(ToWide(dir / "A Rather Long Folder Name").c_str(), shortPath, MAX_PATH), 0u);
    const std::string shortText = ToUtf8(shortPath);
    EXPECT_EQ(shortText.find("A Rather Long"), std::string::npos) << shortText;
    EXPECT_EQ(fs.LongPath(shortText), fs.LongPath(dir.Path()) + "\\A Rather Long Folder Name");
    EXPECT_EQ(fs.LongPath(dir / "missing\\x"), dir / "missing\\x") << "unresolvable: unchanged";
}

TEST(FileSystemWinTest, AtomicWriteReplacesWholeFilesAndLeavesNoTemporaries) {
    TFileSystemWin fs;
    TScratchFolder dir;
    const std::string path = dir / "setting.dat";
    std::string big(300000, 'x');
    EXPECT_EQ(fs.WriteFileAtomic(path, "first"), "");
    EXPECT_EQ(fs.WriteFileAtomic(path, big), "");
    EXPECT_EQ(fs.ReadFile(path), big);
    EXPECT_TRUE(fs.FileExists(path));
    EXPECT_FALSE(fs.FileExists(dir.Path())) << "a folder is not a file";
    EXPECT_EQ(fs.ReadFile(dir / "missing"), std::nullopt);
    {
        // Another process saving the same file right now holds its temporary file.
        TFileHandle held(
            CreateFileW(ToWide(path + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(fs.WriteFileAtomic(path, "third"), "");
    }
    EXPECT_EQ(fs.ReadFile(path), "third");
    ASSERT_TRUE(fs.RemoveFile(path + ".tmp"));

    WIN32_FIND_DATAW found{};
    int entries = 0;
    HANDLE find = FindFirstFileW(ToWide(dir / "*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (found.cFileName[0] != L'.') ++entries;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    EXPECT_EQ(entries, 1) << "only setting.dat remains";
}

TEST(FileSystemWinTest, FailedWriteReportsTheSystemErrorAndKeepsTheOldFile) {
    TFileSystemWin fs;
    TScratchFolder dir;
    EXPECT_NE(fs.WriteFileAtomic(dir / "no\\such\\folder\\f.dat", "x"), "");

    // The target is a folder: the rename must fail, the folder and its content stay.
    ASSERT_TRUE(fs.CreateFolders(dir / "target"));
    ASSERT_EQ(fs.WriteFileAtomic(dir / "target\\inner", "inner"), "");
    std::string error = fs.WriteFileAtomic(dir / "target", "new");
    EXPECT_NE(error, "");
    EXPECT_NE(error.find('('), std::string::npos) << "the error code is part of the text: " << error;
    EXPECT_EQ(fs.ReadFile(dir / "target\\inner"), "inner");
}

TEST(FileSystemWinTest, FolderCreationTimeIsNowForANewFolder) {
    TFileSystemWin fs;
    TScratchFolder dir;
    ASSERT_TRUE(fs.CreateFolders(dir / "fresh"));
    auto created = fs.FolderCreationTime(dir / "fresh");
    ASSERT_TRUE(created.has_value());
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    int64_t nowTicks =
        static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    EXPECT_LT(std::llabs(nowTicks - *created), 60LL * 10000000LL);
    EXPECT_EQ(fs.FolderCreationTime(dir / "missing"), std::nullopt);
}

TEST(FileSystemWinTest, WriteAccessFollowsTheFolderSecurity) {
    TFileSystemWin fs;
    TScratchFolder dir;
    EXPECT_TRUE(fs.CanWriteFolder(dir.Path()));
    EXPECT_FALSE(fs.CanWriteFolder(dir / "missing"));

    // Replace the folder's access list by one that grants everyone read access only.
    ASSERT_TRUE(fs.CreateFolders(dir / "locked"));
    SECURITY_DESCRIPTOR sd{};
    ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<ACL*>(aclBuffer);
    ASSERT_TRUE(InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, everyone));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE));
    BOOL applied = SetFileSecurityW(ToWide(dir / "locked").c_str(), DACL_SECURITY_INFORMATION, &sd);
    FreeSid(everyone);
    if (!applied) GTEST_SKIP() << "this file system keeps no security descriptors: " << LastErrorText();
    EXPECT_FALSE(fs.CanWriteFolder(dir / "locked"));
}

// The shared data folder as the settings store makes it: the account's own, and its access
// list lets every other account read only. A file that another Unix
// account owns (Wine's stand-in for another Windows account) is not the account's own.
TEST(FileSystemWinTest, ASharedFolderIsTheAccountsOwnAndOthersOnlyRead) {
    TFileSystemWin fs;
    TScratchFolder dir;
    const std::string shared = dir / "common\\Maskaddr";
    ASSERT_TRUE(fs.CreateSharedFolder(shared));
    EXPECT_TRUE(fs.OwnedByCurrentUser(shared));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    std::wstring w = ToWide(shared);
    ASSERT_EQ(GetNamedSecurityInfoW(w.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    // (Wine keeps no "protected" mark; what others may do is what counts.)
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    ACCESS_MASK everyoneMay = 0;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && EqualSid(&ace->SidStart, everyone))
            everyoneMay |= ace->Mask;
    }
    FreeSid(everyone);
    LocalFree(sd);
    EXPECT_NE(everyoneMay & FILE_LIST_DIRECTORY, 0u);
    EXPECT_EQ(everyoneMay & (FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | DELETE | WRITE_DAC | WRITE_OWNER), 0u);
    EXPECT_FALSE(fs.OwnedByCurrentUser(dir / "missing"));

    // Another account's file: handed to the Unix account "nobody" (the test runs as root).
    const std::string planted = shared + "\\setting.dat";
    ASSERT_EQ(fs.WriteFileAtomic(planted, "[setting]\r\n"), "");
    EXPECT_TRUE(fs.OwnedByCurrentUser(planted));
    using UnixNameFn = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(unixName, nullptr) << "not Wine";
    char* unixPath = unixName(ToWide(planted).c_str());
    ASSERT_NE(unixPath, nullptr);
    std::wstring command = ToWide(std::string("Z:\\bin\\chown nobody ") + unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << LastErrorText();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Wine cannot wait for a Unix process: wait for its effect.
    EXPECT_TRUE(PumpUntil([&] { return !fs.OwnedByCurrentUser(planted); }, 10000));
}

TEST(FileSystemWinTest, KnownFoldersMatchTheShellFoldersValues) {
    TFileSystemWin fs;
    TRegistryWin reg;
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    auto appData = reg.ReadString(TRegRoot::CurrentUser, key, "AppData");
    ASSERT_TRUE(appData.has_value());
    EXPECT_EQ(LowerAscii(fs.KnownFolder(TKnownFolder::AppData)), LowerAscii(*appData));
    EXPECT_FALSE(fs.KnownFolder(TKnownFolder::CommonAppData).empty());
    std::string program = fs.ProgramPath();
    EXPECT_EQ(LowerAscii(program.substr(program.size() - 22)), "maskaddr_win_tests.exe");
}

TEST(SystemWinTest, AnsiCodecUsesTheSystemCodePage) {
    TAnsiCodecWin codec;
    wchar_t wide[] = L"\u00e9\u20ac";
    char expected[8] = {};
    int n = WideCharToMultiByte(CP_ACP, 0, wide, 2, expected, sizeof expected, "?", nullptr);
    EXPECT_EQ(codec.ToAnsi("\xC3\xA9\xE2\x82\xAC"), std::string(expected, static_cast<size_t>(n)));
    if (GetACP() == 1252) {
        EXPECT_EQ(codec.ToAnsi("\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD"), "\xE9\x80?");
        EXPECT_EQ(codec.FromAnsi("\xE9\x80"), "\xC3\xA9\xE2\x82\xAC");
    }
    EXPECT_EQ(codec.FromAnsi(codec.ToAnsi("plain ASCII")), "plain ASCII");
}

TEST(SystemWinTest, DecimalSeparatorIsTheOneNumbersAreFormattedWith) {
    TLocaleWin locale;
    wchar_t formatted[32] = {};
    ASSERT_GT(GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, L"1.5", nullptr, formatted, 32), 0);
    EXPECT_NE(std::wstring(formatted).find(static_cast<wchar_t>(locale.DecimalSeparator())),
              std::wstring::npos)
        << ToUtf8(formatted);
}

TEST(SystemWinTest, ClockGivesLocalDaysSince1899) {
    TClockWin clock;
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &t);
    // The local wall-clock time read as if it were UTC gives seconds since 1970 in local terms.
    double days = 25569.0 + static_cast<double>(_mkgmtime(&local)) / 86400.0;
    EXPECT_NEAR(clock.Now(), days, 5.0 / 86400.0);
}

TEST(SystemWinTest, TraceSinkAppendsTaggedLines) {
    TScratchFolder dir;
    TFileTraceSink sink(ToWide(dir / "trace.log"));
    sink.WriteTrace("CLSettings", "Setting Not Found :App.Name");
    sink.WriteTrace("CLApp", "Enter Debug Mode...");
    TFileSystemWin fs;
    std::string text = fs.ReadFile(dir / "trace.log").value_or("");
    size_t first = text.find("[CLSettings] Setting Not Found :App.Name\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.find("[CLApp] Enter Debug Mode...\r\n", first), std::string::npos) << text;
}

// bcrypt.dll's ECDSA P-256 check with the key the program is built with: it takes the
// service's OpenSSL signature (this reply was signed with the development key by openssl)
// and our own signing, and refuses a reply with one byte changed.
TEST(SignatureWinTest, SystemVerificationTakesTheServicesSignaturesOfUnchangedRepliesOnly) {
    const std::string byOpenSsl =
        "magicword=maskaddr-7c1e\r\nResult=0\r\n__MODIFY__.NORMAL_IPS=127.0.0.2:8888|United "
        "States|US|-97|38;\r\n"
        "signature=sVNSih9hIa6OJhwNmA2cdMSWdzY2LrLYsD7TVM4dFmMLK1U1I6i0THDmklpdYi2kU1QrbmvFYpSMuTzUg9WhcA=="
        "\r\n";
    std::string changed = byOpenSsl;
    changed[changed.find("8888")] = '9';
    const struct {
        const char* what;
        std::string reply;
        bool valid;
    } cases[] = {
        {"signed by openssl", byOpenSsl, true},
        {"signed through bcrypt", DevSigned("magicword=w\r\n__MODIFY__.X=1\r\n"), true},
        {"one byte changed", changed, false},
    };
    const std::string key = Base64Decode(kUpdatePublicKey).value_or("");
    TSignatureVerifierWin verifier;
    for (const auto& c : cases) {
        const std::optional<TSignedReply> reply = SplitSignedReply(c.reply);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(verifier.VerifyEcdsaP256(key, reply->Body, reply->Signature), c.valid) << c.what;
    }
}

// Windows that show the same unchanged file share one decoded picture, and it still draws; a
// changed file is decoded again, and one that was missing is read once it is there. The file
// is not held open: it can be replaced while its picture is shown.
TEST(PictureWinTest, EachUnchangedFileIsDecodedOnceAndAChangedOneAgain) {
    TScratchFolder dir;
    const std::string file = dir / "flag.png", flags = TestProgramFolder() + "res\\flag_short\\";
    TFileSystemWin fs;
    auto topLeft = [](Gdiplus::Bitmap& picture) { // the corner pixel's brightness, 0 to 765
        Gdiplus::Color c;
        picture.GetPixel(0, 0, &c);
        return c.GetR() + c.GetG() + c.GetB();
    };
    EXPECT_EQ(LoadGdiplusBitmap(file), nullptr);
    ASSERT_EQ(fs.WriteFileAtomic(file, fs.ReadFile(flags + "DE.PNG").value_or("")), "");
    const int decoded = PictureDecodeCount();
    const std::shared_ptr<Gdiplus::Bitmap> first = LoadGdiplusBitmap(file);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadGdiplusBitmap(file), first);
    const TPicture control = LoadPictureFile(file);
    EXPECT_EQ(control.Width, 48);
    EXPECT_TRUE(control.Bitmap.Valid());
    EXPECT_EQ(PictureDecodeCount(), decoded + 1);
    EXPECT_LT(topLeft(*first), 30) << "the German flag's black stripe";

    ASSERT_EQ(fs.WriteFileAtomic(file, fs.ReadFile(flags + "US.PNG").value_or("")), "");
    const std::shared_ptr<Gdiplus::Bitmap> second = LoadGdiplusBitmap(file);
    ASSERT_NE(second, nullptr);
    EXPECT_GT(topLeft(*second), 60) << "the blue corner of the flag of the United States";
    EXPECT_EQ(PictureDecodeCount(), decoded + 2);
}
