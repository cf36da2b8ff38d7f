// Shared set-up of the proxy pool tests: a fake platform whose settings answer from
// an overwrite list, and repeatable seeds for the pool's generator.
#pragma once

#include "app/AppSettings.h"
#include "base/Text.h"
#include "fakes/FakePlatform.h"
#include "fakes/FixedSeeds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace maskaddr::test {

class PoolSettingsTest : public ::testing::Test {
protected:
    TFakePlatform P;
    TFakeEngineLists Lists;

    void SetUp() override { Settings().SetLists(&Lists); }
    void Set(const std::string& name, const std::string& value) {
        std::erase_if(Lists.Overwrite, [&](const std::string& line) {
            return SameText(line.substr(0, line.find('=')), name);
        });
        Lists.Overwrite.push_back(name + "=" + value);
    }
};

inline std::string Join(const std::vector<std::string>& entries) {
    std::string out;
    for (const std::string& entry : entries)
        out += entry + ";";
    return out;
}

} // namespace maskaddr::test
