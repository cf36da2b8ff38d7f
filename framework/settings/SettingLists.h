// The engine's two fixed settings lists, as the settings store sees them. The
// engine hands itself to the store when it is constructed and withdraws when
// destroyed; the store asks for them on every read.
#pragma once

#include "base/NameValueList.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

class ISettingLists {
public:
    virtual ~ISettingLists() = default;
    // Lines of the form Name=Value.
    virtual const std::vector<std::string>& SettingOverwrite() const = 0;
    virtual const std::vector<std::string>& SettingDefault() const = 0;
};

} // namespace maskaddr
