// Name=Value line lists (see NameValueList.h).
#include "base/NameValueList.h"

#include "base/Text.h"

namespace maskaddr {

std::optional<size_t> IndexOfName(const TNameValueList& lines, std::string_view name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t eq = lines[i].find('=');
        if (eq != std::string::npos && SameText(std::string_view(lines[i]).substr(0, eq), name)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> FindListValue(const TNameValueList& lines, std::string_view name) {
    auto i = IndexOfName(lines, name);
    if (!i) return std::nullopt;
    return lines[*i].substr(lines[*i].find('=') + 1);
}

void SetListValue(TNameValueList& lines, std::string_view name, std::string_view value) {
    auto i = IndexOfName(lines, name);
    if (value.empty()) {
        if (i) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*i));
        return;
    }
    std::string line = std::string(name) + "=" + std::string(value);
    if (i)
        lines[*i] = std::move(line);
    else
        lines.push_back(std::move(line));
}

} // namespace maskaddr
