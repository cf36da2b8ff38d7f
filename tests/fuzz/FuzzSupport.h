// What every fuzz target shares: a fake platform for the input (the settings store,
// files and registry of the portable code), with the debug trace off, and the input
// split into parts at NUL bytes.
#pragma once

#include "fakes/FakePlatform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace maskaddr::fuzz {

// A fresh fake platform per input, with the given const.dat beside the program.
struct TFuzzPlatform {
    test::TFakePlatform P;
    explicit TFuzzPlatform(const std::string& constants = "[setting]\n") {
        DebugTrace::SetEnabled(false);
        P.Files.Put("C:\\Tools\\App\\const.dat", constants);
    }
};

inline std::string Text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

inline std::vector<std::string> Parts(const std::string& text, size_t atLeast) {
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t nul; (nul = text.find('\0', at)) != std::string::npos; at = nul + 1)
        parts.push_back(text.substr(at, nul - at));
    parts.push_back(text.substr(at));
    while (parts.size() < atLeast)
        parts.emplace_back();
    return parts;
}

} // namespace maskaddr::fuzz
