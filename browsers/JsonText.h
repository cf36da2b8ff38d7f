// A small JSON reader for the policies that set a browser's proxy (Firefox's policies.json,
// the Chromium family's "ProxySettings" value): objects, arrays, strings, numbers, true,
// false and null. Input is hostile: nesting deeper than kMaxJsonDepth, a syntax error or
// anything after the value gives nullopt, never a crash.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

inline constexpr int kMaxJsonDepth = 64;

struct TJsonValue {
    enum class TKind { Null, Bool, Number, String, Array, Object };
    TKind Kind = TKind::Null;
    bool Bool = false;
    double Number = 0;
    std::string String;           // UTF-8
    std::vector<TJsonValue> Items; // an array's items, or an object's values
    std::vector<std::string> Names; // an object's member names, in the order of Items

    // The object's member of that name (the last one, as a script engine takes it), or null.
    const TJsonValue* Member(std::string_view name) const;
    // The member's text when it is a string, else nullopt.
    std::optional<std::string> StringMember(std::string_view name) const;
    // True only for the member true, or a number other than 0.
    bool TrueMember(std::string_view name) const;
};

std::optional<TJsonValue> ParseJson(std::string_view text);

} // namespace maskaddr
