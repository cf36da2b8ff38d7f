// The running system's facts as a test sets them: by default a 32-bit Windows XP
// with Service Pack 3 in United States English, started one second ago, no arguments.
#pragma once

#include "platform/SystemFacts.h"

namespace maskaddr::test {

class TFakeSystemFacts final : public ISystemFacts {
public:
    TOsVersion Version{5, 1, "Service Pack 3"};
    uint32_t Tick = 1000;
    uint16_t UiLanguage = 1033;
    std::vector<std::string> Args;
    TOsVersion OsVersion() override { return Version; }
    bool IsWindowsVista64() override { return false; }
    uint16_t SystemDefaultLangID() override { return 1033; }
    uint16_t UserDefaultUILanguage() override { return UiLanguage; }
    uint32_t TickCount() override { return Tick; }
    std::vector<std::string> ProgramArguments() override { return Args; }
};

} // namespace maskaddr::test
