// Web addresses and form encoding: every helper that takes an address or a parameter
// text from settings or replies, and the engine's page addresses built from them.
#include "FuzzSupport.h"
#include "base/NameValueList.h"
#include "framework/engine/UrlTools.h"

#include <algorithm>

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzPlatform f;
    const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 2);
    const std::string encoded = UrlEncodeForm(f.P.Ansi, parts[0]);
    // ASCII text is the same in every code page: what the encoder makes of it, the decoder
    // takes back unchanged.
    const bool ascii = std::all_of(parts[0].begin(), parts[0].end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii && UrlDecodeForm(encoded) != parts[0]) __builtin_trap();
    (void)UrlDecodeForm(parts[0]);
    (void)VersionToInt(parts[0]);
    (void)HexOfLowBytes(parts[0]);
    (void)CleanChannel(parts[0]);
    (void)AppendURLParams(parts[0], parts[1]);
    TNameValueList params;
    ParseURLParams(f.P.Ansi, parts[0], params);
    (void)ParseURL(parts[0]);
    return 0;
}
