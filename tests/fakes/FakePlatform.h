// A whole fake platform for one test: installed on construction, and the process's
// settings store and engine registration cleared again on destruction.
#pragma once

#include "fakes/FakeFileSystem.h"
#include "fakes/FakeRegistry.h"
#include "framework/settings/CLSettings.h"
#include "framework/settings/SettingLists.h"
#include "framework/trace/DebugTrace.h"
#include "platform/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeClock final : public IClock {
public:
    TDateTime Value = 46000.5; // 2025-12-09 12:00
    TDateTime Now() override { return Value; }
};

class TFakeLocale final : public ILocale {
public:
    char Separator = '.';
    char DecimalSeparator() override { return Separator; }
};

// Collects trace lines as "[tag] text".
class TMemoryTraceSink final : public ITraceSink {
public:
    std::vector<std::string> Lines;
    void WriteTrace(std::string_view tag, std::string_view text) override {
        Lines.push_back("[" + std::string(tag) + "] " + std::string(text));
    }
};

// The engine's two lists, as the store consults them.
class TFakeEngineLists final : public ISettingLists {
public:
    std::vector<std::string> Overwrite, Default{"Path.Skins=skins", "Path.Languages=lang"};
    const std::vector<std::string>& SettingOverwrite() const override { return Overwrite; }
    const std::vector<std::string>& SettingDefault() const override { return Default; }
};

// Fakes that detached worker threads may still be using when a test ends live until the
// process exits.
template <typename T> T& OutlivingThreads() {
    static std::vector<std::shared_ptr<void>> kept;
    auto object = std::make_shared<T>();
    kept.push_back(object);
    return *object;
}

struct TFakePlatform {
    TFakeRegistry Registry;
    TFakeFileSystem Files;
    TCp1252Codec Ansi;
    TFakeLocale Locale;
    TFakeClock Clock;
    TMemoryTraceSink Trace;

    TFakePlatform() {
        SetPlatform({&Registry, &Files, &Ansi, &Locale, &Clock});
        DebugTrace::SetSink(&Trace);
        DebugTrace::SetEnabled(true);
    }
    ~TFakePlatform() {
        FreeSettings();
        SetSettingsEngine(nullptr);
        DebugTrace::SetEnabled(false);
        DebugTrace::SetSink(nullptr);
        SetPlatform({});
    }
};

} // namespace maskaddr::test
