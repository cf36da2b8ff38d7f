// Lists of Name=Value lines (the settings lists of the engine, merged language
// sections). A line holds a name when its text before the first "=" equals the
// name without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

using TNameValueList = std::vector<std::string>;

std::optional<size_t> IndexOfName(const TNameValueList& lines, std::string_view name);
// The rest of the first line of that name; nullopt when no line has it.
std::optional<std::string> FindListValue(const TNameValueList& lines, std::string_view name);
// Replaces the first line of that name or appends one; an empty value removes the line.
void SetListValue(TNameValueList& lines, std::string_view name, std::string_view value);

} // namespace maskaddr
