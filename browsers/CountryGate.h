// The start-up country gate: the program does not run where the system's default
// language is Chinese (Simplified, PRC).
#pragma once

#include <string>

namespace maskaddr {

class ISystemLanguage {
public:
    virtual ~ISystemLanguage() = default;
    // The display name of the system's default language, as the system gives it.
    virtual std::string DefaultLanguageName() = 0;
    // The system's plain message box.
    virtual void ShowPlainMessage(const std::string& text) = 0;
};

// False, after telling the user, when the program may not run here.
bool CheckSystemLanguage(ISystemLanguage& system);

} // namespace maskaddr
