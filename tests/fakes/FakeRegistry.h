// In-memory registry: values by root, key and name (case-insensitive).
#pragma once

#include "base/Text.h"
#include "platform/Registry.h"

#include <map>
#include <tuple>
#include <variant>

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
};

} // namespace maskaddr::test
