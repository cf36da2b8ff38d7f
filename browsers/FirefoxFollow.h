// "Make it follow Maskaddr" for a Firefox profile: the line that makes the profile follow the
// system's proxy settings goes to the end of its user.js, and a journal in the account's own
// data folder ("firefoxjournal.dat") remembers each file, so that the uninstaller takes
// exactly that line out again. Firefox reads user.js when it starts.
#pragma once

#include "browsers/BrowserContext.h"

#include <string>

namespace maskaddr {

struct TFollowResult {
    enum class TOutcome { Written, Unreadable, NotWritten } Outcome = TOutcome::Written;
    std::string File;  // the file that could not be read or written
    std::string Error; // the system's reason for a file not written
};

// Adds the line to the profile's user.js (made when missing), keeping every other byte;
// recorded before the file is written. On a failure nothing is left changed.
TFollowResult MakeFirefoxProfileFollow(const TBrowserContext& c, const std::string& profileFolder);

// The uninstaller's part: takes out of each recorded user.js the line, while it is still
// there as written (the last such line), and removes a user.js that it made and that holds
// nothing else then; every other byte stays. A file that cannot be read or written keeps its
// entry (traced); the journal goes once it has none left.
void TakeBackFirefoxFollow(const TBrowserContext& c);

} // namespace maskaddr
