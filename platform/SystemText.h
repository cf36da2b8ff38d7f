// Text facts of the running system: the ANSI code page codec and the user's
// locale decimal separator.
#pragma once

#include <string>

namespace maskaddr {

class IAnsiCodec {
public:
    virtual ~IAnsiCodec() = default;
    // UTF-8 to the system ANSI code page; characters it cannot hold become "?".
    virtual std::string ToAnsi(const std::string& utf8) = 0;
    virtual std::string FromAnsi(const std::string& ansi) = 0;
};

class ILocale {
public:
    virtual ~ILocale() = default;
    virtual char DecimalSeparator() = 0;
};

// Windows-1252, the ANSI code page of Western systems; the codec of the native build.
class TCp1252Codec final : public IAnsiCodec {
public:
    std::string ToAnsi(const std::string& utf8) override;
    std::string FromAnsi(const std::string& ansi) override;
};

} // namespace maskaddr
