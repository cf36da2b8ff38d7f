// Set-up shared by the Win32 tests of the proxy pool: the Win32 platform made and installed on
// the test's main thread (which thereby is the user-interface thread), settings
// answered from an overwrite list, and a message loop that runs until a condition holds.
#pragma once

#include "WinTestUtil.h"
#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "base/Text.h"
#include "framework/settings/CLSettings.h"
#include "framework/settings/SettingLists.h"
#include "platform/win32/PlatformWin.h"
#include "proxy/ProxyManager.h"

#include <gtest/gtest.h>

#include <functional>

namespace maskaddr::test {

class TOverwriteLists final : public ISettingLists {
public:
    std::vector<std::string> Overwrite, Default;
    const std::vector<std::string>& SettingOverwrite() const override { return Overwrite; }
    const std::vector<std::string>& SettingDefault() const override { return Default; }
};

class PoolWinTest : public ::testing::Test {
protected:
    const TPlatform Facilities = Win32Platform();
    TOverwriteLists Lists;
    std::unique_ptr<TProxyManager> Pool;
    int Events = 0;
    DWORD EventThread = 0;

    void SetUp() override {
        SetPlatform(Facilities); // the settings store is made from it
        Settings().SetLists(&Lists);
        Pool = std::make_unique<TProxyManager>(Facilities, Settings());
        Pool->SetOnGetCurrentLocalInfo([this](TProxyManager&) {
            ++Events;
            EventThread = GetCurrentThreadId();
        });
    }
    void TearDown() override {
        Pool.reset();
        Settings().SetLists(nullptr);
        FreeSettings();
    }
    void Set(const std::string& name, const std::string& value) {
        std::erase_if(Lists.Overwrite, [&](const std::string& line) {
            return SameText(line.substr(0, line.find('=')), name);
        });
        Lists.Overwrite.push_back(name + "=" + value);
    }
    bool WaitForEvents(int count, DWORD timeoutMs = 20000) {
        return PumpUntil([&] { return Events >= count; }, timeoutMs);
    }
};

} // namespace maskaddr::test
