// Update replies signed in the test's own process the way the service signs them: with the
// repository's development key (the key the test builds compile in), through bcrypt.dll.
#pragma once

#include <string>

namespace maskaddr::test {

// The reply with its signature line (see SignableReply and WithSignatureLine). Throws when
// the key cannot be used.
std::string DevSigned(std::string text);
// A reply as the service sends it: issued now (UTC) with a serial above every earlier one of
// this machine (the time in milliseconds), then signed.
std::string ServiceSigned(const std::string& text);

} // namespace maskaddr::test
