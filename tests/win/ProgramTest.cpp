// The fixture of the tests that start the real program (see ProgramTest.h).
#include "ProgramTest.h"

namespace maskaddr::test {

int CountMainWindows() {
    int count = 0;
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            if (std::wstring(cls) == L"TfrmMain") ++*reinterpret_cast<int*>(p);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

void TProgramTest::SetUp() {
    ASSERT_TRUE(ProxyA.Held() && ProxyB.Held() && ProxyC.Held()) << "no free port for the pools' proxies";
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", ToWide(Trace).c_str());
    WriteUserFile("");
}

void TProgramTest::TearDown() {
    SetEnvironmentVariableW(L"MASKADDR_TRACE_FILE", nullptr);
    EXPECT_EQ(CountMainWindows(), 0) << "a test left a running instance";
}

void TProgramTest::WriteUserFile(const std::string& lines) {
    ASSERT_EQ(TBuiltApp::WriteUserFile(Service.Url(""), lines), "");
}

void TProgramTest::WriteHidingUserFile(const std::string& lines, const std::string& pool) {
    Service.SetReply("/getinfo", {200, "IP=127.0.0.1\r\nCOUNTRY_SHORT=QQ\r\n"});
    WriteUserFile("Update.Times=1\r\nNORMAL_IPS=" + (pool.empty() ? Entry(ProxyA, "Testland|QQ|0|0") : pool) +
                  "\r\n" + lines);
}

} // namespace maskaddr::test
