// In-memory registry: values by root, key and name (case-insensitive).
#pragma once

#include "base/Text.h"
#include "platform/Registry.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <variant>
#include <vector>

namespace maskaddr::test {

class TFakeRegistry final : public IRegistry {
public:
    using TValue = std::variant<std::string, uint32_t>;
    std::map<std::tuple<TRegRoot, std::string, std::string>, TValue> Values;

    static std::tuple<TRegRoot, std::string, std::string> Id(TRegRoot r, const std::string& k,
                                                             const std::string& n) {
        return {r, LowerAscii(k), LowerAscii(n)};
    }
    bool KeyExists(TRegRoot root, const std::string& key) override {
        for (auto& [id, v] : Values)
            if (std::get<0>(id) == root && std::get<1>(id) == LowerAscii(key)) return true;
        return false;
    }
    std::optional<std::string> ReadString(TRegRoot r, const std::string& k, const std::string& n) override {
        auto it = Values.find(Id(r, k, n));
        if (it == Values.end() || !std::holds_alternative<std::string>(it->second)) return std::nullopt;
        return std::get<std::string>(it->second);
    }
    std::optional<uint32_t> ReadDword(TRegRoot r, const std::string& k, const std::string& n) override {
        auto it = Values.find(Id(r, k, n));
        if (it == Values.end() || !std::holds_alternative<uint32_t>(it->second)) return std::nullopt;
        return std::get<uint32_t>(it->second);
    }
    bool WriteString(TRegRoot r, const std::string& k, const std::string& n, const std::string& v) override {
        Values[Id(r, k, n)] = v;
        return true;
    }
    bool WriteDword(TRegRoot r, const std::string& k, const std::string& n, uint32_t v) override {
        Values[Id(r, k, n)] = v;
        return true;
    }
    bool DeleteValue(TRegRoot r, const std::string& k, const std::string& n) override {
        Values.erase(Id(r, k, n));
        return true;
    }
    // In lower case, as the fake keeps them.
    std::vector<std::string> SubKeys(TRegRoot r, const std::string& k) override {
        const std::string prefix = LowerAscii(k) + "\\";
        std::vector<std::string> names;
        for (auto& [id, v] : Values) {
            const std::string& key = std::get<1>(id);
            if (std::get<0>(id) != r || key.rfind(prefix, 0) != 0) continue;
            const std::string name = key.substr(prefix.size(), key.find('\\', prefix.size()) - prefix.size());
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
        return names;
    }
};

} // namespace maskaddr::test
