// Command-line switches (see CommandLine.h).
#include "app/CommandLine.h"

#include "base/Text.h"

namespace maskaddr {

bool TCommandLine::HasSwitch(char letter) const {
    for (const std::string& a : FArgs)
        if (a.size() == 2 && (a[0] == '-' || a[0] == '/') && SameText(a.substr(1), std::string(1, letter)))
            return true;
    return false;
}

std::string TCommandLine::PlainFirstArgument() const {
    if (FArgs.empty() || FArgs[0].empty() || FArgs[0][0] == '-' || FArgs[0][0] == '/') return {};
    return FArgs[0];
}

} // namespace maskaddr
