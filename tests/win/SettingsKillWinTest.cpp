// setting.dat survives being killed: settings_saver.exe saves it without pause and is
// killed with SIGKILL (its Unix process under Wine) at a random moment, again and again;
// after every kill the file must hold one whole generation, the last one saved or the one
// being saved, and at most one unfinished temporary file may lie beside it.
#include "WinTestUtil.h"
#include "base/Text.h"
#include "framework/settings/IniText.h"
#include "platform/win32/PlatformWin.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr int kKills = 1000;
constexpr int kKeys = 100;
constexpr int kLongestDelayMs = 20;

struct TSaverRun {
    std::string File;
    int LastSaved = -1;
    std::string Error;
};

TSaverRun ReadSaverOutput(const std::string& output) {
    TSaverRun run;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("file ", 0) == 0) run.File = line.substr(5);
        if (line.rfind("saved ", 0) == 0) run.LastSaved = std::stoi(line.substr(6));
        if (line.rfind("error", 0) == 0) run.Error = line;
    }
    return run;
}

// The generation the whole file holds; an empty text says what is wrong with it.
std::string WholeGeneration(TFileSystemWin& files, TAnsiCodecWin& ansi, const std::string& path, int& generation) {
    const std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) return "cannot be read";
    TIniText ini;
    ini.LoadFromBytes(*bytes, ansi);
    generation = ParseInt32Def(ini.ReadValue("setting", "Generation").value_or(""), -1);
    for (int key = 0; key < kKeys; ++key) {
        const std::string name = "Key" + std::to_string(key);
        const std::string expected = std::to_string(generation) + "-" + std::to_string(key);
        const std::string value = ini.ReadValue("setting", name).value_or("<missing>");
        if (value != expected) return name + "=" + value + " beside Generation=" + std::to_string(generation);
    }
    return {};
}

} // namespace

TEST(SettingsKillWinTest, EverySaveKilledAtARandomMomentLeavesTheOldOrTheNewValues) {
    const std::string saver = TestProgramFolder() + "settings_saver.exe";
    std::mt19937 draw(20261209);
    std::uniform_int_distribution<int> delayMs(0, kLongestDelayMs);
    TFileSystemWin files;
    TAnsiCodecWin ansi;
    int previous = 0; // the generation the file held before this run
    int oldKept = 0, newKept = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int kill = 1; kill <= kKills; ++kill) {
        const TProcessResult result = RunProcess("\"" + saver + "\" " + std::to_string(delayMs(draw)), 20000);
        const TSaverRun run = ReadSaverOutput(result.Output);
        ASSERT_FALSE(result.TimedOut) << "kill " << kill << ": the saver was not killed\n" << result.Output;
        ASSERT_EQ(run.Error, "") << "kill " << kill;
        ASSERT_GE(run.LastSaved, previous + 1) << "kill " << kill << ": no save reported (exit code "
                                               << result.ExitCode << ")\n"
                                               << result.Output;
        int generation = -1;
        const std::string fault = WholeGeneration(files, ansi, run.File, generation);
        ASSERT_EQ(fault, "") << "kill " << kill << ": " << run.File;
        ASSERT_TRUE(generation == run.LastSaved || generation == run.LastSaved + 1)
            << "kill " << kill << ": the file holds generation " << generation << ", the last save was "
            << run.LastSaved;
        (generation == run.LastSaved ? oldKept : newKept)++;
        previous = generation;
        const std::string folder = run.File.substr(0, run.File.rfind('\\') + 1);
        ASSERT_LE(files.FindEntries(folder + "*.tmp").size(), 1u) << "kill " << kill << ": temporary files pile up";
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count() / 1000.0;
    std::printf("%d kills in %.1f s: %d left the last saved values, %d the values being saved\n", kKills, seconds,
                oldKept, newKept);
}
