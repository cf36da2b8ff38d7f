// ResolvePath and AppFolder.
#include "framework/paths/AppPaths.h"
#include "fakes/FakeFileSystem.h"

#include <gtest/gtest.h>

using namespace maskaddr;

TEST(AppPathsTest, ResolvePathJoinsRelativePathsToDriveFolders) {
    struct Case {
        const char* base;
        const char* path;
        const char* result;
    };
    const Case cases[] = {
        {"C:\\App\\", "res/flag.png", "C:\\App\\res\\flag.png"},
        {"C:\\App", "res\\flag.png", "C:\\App\\res\\flag.png"}, // trailing "\" added
        {"C:/App", "\\data\\x.png", "C:\\data\\x.png"},         // rooted path: drive of base
        {"C:\\App\\", "D:/other/x.png", "D:\\other\\x.png"},    // absolute path kept
        {"C:\\App\\", "http://host/x", "http:\\\\host\\x"},     // any ":" counts as absolute
        {"\\\\server\\share", "a/b", "a\\b"},                   // UNC base: path only normalised
        {"relative\\base", "a/b", "a/b"},                       // neither: unchanged
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePath(c.base, c.path), c.result) << c.base << " + " << c.path;
}

TEST(AppPathsTest, AppFolderIsTheProgramFolderWithBackslash) {
    test::TFakeFileSystem files;
    files.Program = "C:\\Program Files\\Maskaddr\\maskaddr.exe";
    EXPECT_EQ(AppFolder(files), "C:\\Program Files\\Maskaddr\\");
}
