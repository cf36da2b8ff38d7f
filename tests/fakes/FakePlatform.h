// A whole fake platform for one test: installed as the process's platform (which the
// settings store and the start routine read) on construction; on destruction the worker
// threads are awaited, and the process's settings store, engine registration and
// save-failure hook cleared again.
#pragma once

#include "app/AppPlatform.h"
#include "app/AppSettings.h"
#include "base/DebugTrace.h"
#include "fakes/FakeDirectHttp.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeInetClient.h"
#include "fakes/FakeInternetSettings.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSignatureVerifier.h"
#include "fakes/FakeSystemFacts.h"
#include "fakes/FakeUiDispatcher.h"
#include "fakes/FakeUrlCache.h"
#include "fakes/FixedSeeds.h"
#include "framework/settings/CLSettings.h"
#include "framework/settings/SettingLists.h"
#include "framework/threads/WorkerThreads.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeClock final : public IClock {
public:
    TDateTime Value = 46000.5; // 2025-12-09 12:00
    TDateTime Now() override { return Value; }
    TDateTime UtcNow() override { return Value; } // the fake's zone is UTC
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

struct TFakePlatform {
    TFakeRegistry Registry;
    TFakeFileSystem Files;
    TCp1252Codec Ansi;
    TFakeLocale Locale;
    TFakeClock Clock;
    TFakeDirectHttp Http;
    TFakeUiDispatcher Ui;
    TFakeInetClient Inet;
    TFakeInternetSettings InetSettings;
    TFakeSystemFacts System;
    TFakeProcesses Processes;
    TFakeUrlCache UrlCache;
    TFakeSignatureVerifier Signatures;
    TMemoryTraceSink Trace;
    TFixedSeeds Seeds{1}; // every test that draws proxies draws the same ones on every run
    TPlatform Facilities{&Registry, &Files, &Ansi, &Locale, &Clock, &Http, &Ui};

    TFakePlatform() {
        Facilities.Inet = &Inet;
        Facilities.InetSettings = &InetSettings;
        InetSettings.Registry = &Registry;
        Facilities.System = &System;
        Facilities.Processes = &Processes;
        Facilities.UrlCache = &UrlCache;
        Facilities.Signatures = &Signatures;
        SetPlatform(Facilities);
        DebugTrace::SetSink(&Trace);
        DebugTrace::SetEnabled(true);
    }
    // True when every worker thread has ended (the fakes never block, so they end soon).
    static bool WorkersEnded() { return WorkerThreads::JoinAll(std::chrono::seconds(10)); }
    ~TFakePlatform() {
        // Workers use these fakes: none may run on once they are gone.
        if (!WorkersEnded()) {
            std::fputs("A worker thread outlived its test\n", stderr);
            std::abort();
        }
        FreeSettings();
        DebugTrace::SetEnabled(false);
        DebugTrace::SetSink(nullptr);
        SetPlatform({});
    }
};

} // namespace maskaddr::test
