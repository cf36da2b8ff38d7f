// Command-line switches (see CommandLine.h).
#include "app/CommandLine.h"

#include "base/Text.h"

namespace maskaddr {

bool TCommandLine::HasSwitch(char letter) const {
    return HasWord(std::string(1, letter));
}

bool TCommandLine::HasWord(const std::string& word) const {
    for (const std::string& a : FArgs)
        if (a.size() > 1 && (a[0] == '-' || a[0] == '/') && SameText(a.substr(1), word)) return true;
    return false;
}

std::string TCommandLine::PlainFirstArgument() const {
    if (FArgs.empty() || FArgs[0].empty() || FArgs[0][0] == '-' || FArgs[0][0] == '/') return {};
    return FArgs[0];
}

} // namespace maskaddr
