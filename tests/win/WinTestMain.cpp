// Entry of the Win32 test program: a watchdog ends a hung run with a clear message
// before the harness's hard timeout does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {
DWORD WINAPI Watchdog(void*) {
    Sleep(240000);
    std::fprintf(stderr, "watchdog: the Win32 tests did not finish within 240 s\n");
    std::fflush(stderr);
    ExitProcess(3);
}
} // namespace

int main(int argc, char** argv) {
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
