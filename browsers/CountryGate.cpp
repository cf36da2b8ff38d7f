// The country gate (see CountryGate.h).
#include "browsers/CountryGate.h"

#include "base/Text.h"

namespace maskaddr {

bool CheckSystemLanguage(ISystemLanguage& system) {
    std::string name = system.DefaultLanguageName();
    if (name.size() > 50) name.resize(50);
    if (!SameText(name, "Chinese (Simplified, PRC)")) return true;
    system.ShowPlainMessage("This product is unavailable in this country.");
    return false;
}

} // namespace maskaddr
