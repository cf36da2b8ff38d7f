// Opera's preference file and the journal of the user's own proxy lines: a hide's edit of
// the proxy keys shows exactly the lines it wrote, putting the user's lines back gives the
// file back byte for byte, and a journal reads back as it was written. The input is the
// preference file's bytes.
#include "FuzzSupport.h"
#include "browsers/Opera.h"

#include <string>

using namespace maskaddr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string>& keys = OperaProxyKeys();
    const TIniSectionLines user = ReadIniLines(bytes, "Proxy", keys);
    std::optional<TIniSectionLines> journal = ParseOperaJournal(FormatOperaJournal(user));
    if (!journal || !(*journal == user)) __builtin_trap();
    // A journal text itself is outside input too.
    ParseOperaJournal(bytes);

    std::vector<TIniLineEdit> hide, back;
    std::vector<std::optional<std::string>> written;
    for (size_t i = 0; i < keys.size(); ++i) {
        hide.push_back({keys[i], keys[i] + "=10.0.0.1:8080"});
        written.push_back(keys[i] + "=10.0.0.1:8080");
        back.push_back({keys[i], user.Lines[i]});
    }
    const std::string hidden = EditIniLines(bytes, "Proxy", hide);
    if (ReadIniLines(hidden, "Proxy", keys).Lines != written) __builtin_trap();
    if (EditIniLines(hidden, "Proxy", back, !user.SectionExists) != bytes) __builtin_trap();
    return 0;
}
