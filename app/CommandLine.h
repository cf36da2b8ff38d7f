// Command-line switches: arguments that begin with "-" or "/", whose letter is
// matched without regard to case ("-h", "/H" and "/h" are one switch).
#pragma once

#include <string>
#include <vector>

namespace maskaddr {

class TCommandLine {
public:
    explicit TCommandLine(std::vector<std::string> args) : FArgs(std::move(args)) {}
    bool HasSwitch(char letter) const;
    // A switch of a whole word ("/Uninstall"), its letters matched without regard to case.
    bool HasWord(const std::string& word) const;
    // The first argument when it is not a switch (the text forwarded to a running instance).
    std::string PlainFirstArgument() const;
    const std::vector<std::string>& Args() const { return FArgs; }

private:
    std::vector<std::string> FArgs; // without the program name
};

} // namespace maskaddr
