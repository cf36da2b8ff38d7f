// The engine registration seen by the settings store (see SettingLists.h).
#include "framework/settings/SettingLists.h"

#include "framework/text/Text.h"

namespace maskaddr {

namespace {
ISettingLists* g_engine = nullptr;
}

void SetSettingsEngine(ISettingLists* engine) {
    g_engine = engine;
}
ISettingLists* SettingsEngine() {
    return g_engine;
}

std::optional<std::string> FindListValue(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), name))
            return line.substr(eq + 1);
    }
    return std::nullopt;
}

} // namespace maskaddr
