// Making a Firefox profile follow the system settings, and taking it back (see
// FirefoxFollow.h). The journal is "[FirefoxJournal]" and one line per write:
// "Added=PATH" for a user.js that was there, "Created=PATH" for one made for the line;
// paths are escaped as in the system proxy's journal.
#include "browsers/FirefoxFollow.h"

#include "base/DebugTrace.h"
#include "browsers/BrowserCoverage.h"
#include "browsers/FirefoxPrefs.h"
#include "browsers/ProxyJournal.h"
#include "platform/Platform.h"

#include <vector>

namespace maskaddr {

namespace {

constexpr char kTag[] = "CLFirefox";
constexpr char kHeader[] = "[FirefoxJournal]";
constexpr size_t kMaxJournalBytes = 1 << 20;

std::string JournalPath(const TBrowserContext& c) {
    return UserJournalPath(c, "firefoxjournal.dat");
}

// The journal's entries; none for a missing journal, nullopt for one that cannot be read.
std::optional<std::vector<TJournalField>> ReadEntries(IFileSystem& files, const std::string& journal,
                                                      std::string& text) {
    if (!files.FileExists(journal)) return std::vector<TJournalField>{};
    std::optional<std::string> bytes = files.ReadFileUpTo(journal, kMaxJournalBytes);
    if (!bytes) return std::nullopt;
    text = std::move(*bytes);
    std::optional<std::vector<TJournalField>> fields = ReadJournalFields(text, kHeader);
    if (fields)
        for (const TJournalField& f : *fields)
            if (f.Name != "Added" && f.Name != "Created") return std::nullopt;
    return fields;
}

std::string FormatEntries(const std::vector<TJournalField>& entries) {
    std::string text = std::string(kHeader) + "\r\n";
    for (const TJournalField& e : entries)
        text += std::string(e.Name) + "=" + EscapeJournalValue(e.Value) + "\r\n";
    return text;
}

// Writes the entries, or removes the journal when none is left; empty on success.
std::string WriteEntries(IFileSystem& files, const std::string& journal, const std::vector<TJournalField>& entries) {
    if (!entries.empty()) return files.WriteFileAtomic(journal, FormatEntries(entries));
    return files.RemoveFile(journal) || !files.FileExists(journal) ? std::string() : "the file stays";
}

// Takes the line out of one file; false when the file still needs it taken out later.
bool TakeBackLine(IFileSystem& files, const TJournalField& entry) {
    const std::string& path = entry.Value;
    if (!files.FileExists(path)) return true;
    const std::optional<std::string> bytes = files.ReadFileUpTo(path, kMaxPrefsBytes);
    if (!bytes) {
        DebugTrace::Trace(kTag, "Cannot read " + path + ": its line stays");
        return false;
    }
    const std::optional<std::string> after = RemovePrefsLine(*bytes, kFollowSystemLine);
    if (!after) {
        DebugTrace::Trace(kTag, "The line is no longer in " + path + " as written: nothing taken out");
        return true;
    }
    const bool remove = entry.Name == "Created" && after->empty();
    const std::string error = remove ? (files.RemoveFile(path) ? "" : "cannot remove it")
                                     : files.WriteFileAtomic(path, *after);
    DebugTrace::Trace(kTag, error.empty() ? "The line taken out of " + path
                                          : "Cannot write " + path + ": " + error);
    return error.empty();
}

} // namespace

TFollowResult MakeFirefoxProfileFollow(const TBrowserContext& c, const std::string& profileFolder) {
    using O = TFollowResult::TOutcome;
    IFileSystem& files = *c.Facilities.Files;
    const std::string path = profileFolder + "\\user.js", journal = JournalPath(c);
    const bool existed = files.FileExists(path);
    const std::optional<std::string> bytes =
        existed ? files.ReadFileUpTo(path, kMaxPrefsBytes) : std::optional<std::string>(std::string());
    if (!bytes) return {O::Unreadable, path, {}};
    std::string journalText;
    std::optional<std::vector<TJournalField>> entries = ReadEntries(files, journal, journalText);
    if (!entries) return {O::Unreadable, journal, {}};
    std::vector<TJournalField> before = *entries;
    entries->push_back({existed ? "Added" : "Created", path});
    if (std::string error = WriteEntries(files, journal, *entries); !error.empty())
        return {O::NotWritten, journal, error};
    if (std::string error = files.WriteFileAtomic(path, AddPrefsLine(*bytes, kFollowSystemLine)); !error.empty()) {
        WriteEntries(files, journal, before);
        DebugTrace::Trace(kTag, "Cannot write " + path + ": " + error);
        return {O::NotWritten, path, error};
    }
    DebugTrace::Trace(kTag, "The profile follows the system settings from its next start: " + path);
    return {};
}

void TakeBackFirefoxFollow(const TBrowserContext& c) {
    IFileSystem& files = *c.Facilities.Files;
    const std::string journal = JournalPath(c);
    std::string text;
    const std::optional<std::vector<TJournalField>> entries = ReadEntries(files, journal, text);
    if (!entries) {
        DebugTrace::Trace(kTag, "The journal of the Firefox profiles made to follow cannot be read: " + journal);
        return;
    }
    std::vector<TJournalField> left;
    for (const TJournalField& entry : *entries)
        if (!TakeBackLine(files, entry)) left.push_back(entry);
    if (!entries->empty()) WriteEntries(files, journal, left);
}

} // namespace maskaddr
