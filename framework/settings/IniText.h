// INI text: the one text format of the settings files and the language files.
// Sections of trimmed lines; names compared without regard to case; of repeated
// sections or entries the last one counts while earlier ones are kept unseen.
// The file's encoding (byte-order mark, else the ANSI code page) is kept for saving.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

class IAnsiCodec;
class IFileSystem;

enum class TTextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

class TIniText {
public:
    struct TSection {
        std::string Name;
        std::vector<std::string> Lines; // trimmed, in file order; entries and other lines
    };

    // File bytes as UTF-8 text: a byte-order mark selects UTF-8 or UTF-16, else the ANSI code page.
    static std::string DecodeBytes(const std::string& bytes, IAnsiCodec& ansi, TTextEncoding& encoding);
    // Decodes file bytes (see the encoding rules above) and parses them.
    void LoadFromBytes(const std::string& bytes, IAnsiCodec& ansi);
    std::string SaveToBytes(IAnsiCodec& ansi) const;
    // A missing or unreadable file gives an empty document in the ANSI code page.
    void LoadFromFile(IFileSystem& files, const std::string& path, IAnsiCodec& ansi);
    // Empty string on success, else the system's error text.
    std::string SaveToFile(IFileSystem& files, const std::string& path, IAnsiCodec& ansi) const;
    void ParseText(std::string_view utf8);
    void Clear();

    std::optional<std::string> ReadValue(std::string_view section, std::string_view name) const;
    std::string ReadString(std::string_view section, std::string_view name, std::string_view def) const;
    bool ValueExists(std::string_view section, std::string_view name) const;
    bool SectionExists(std::string_view section) const;
    // Replaces the last entry of that name (taking the name as written now) or
    // appends one; a missing section is appended at the end.
    void WriteString(std::string_view section, std::string_view name, std::string_view value);
    // Removes the last block of that name.
    void EraseSection(std::string_view section);

    // The lines of the last block of a section (empty when missing).
    std::vector<std::string> SectionLines(std::string_view section) const;
    const std::vector<TSection>& Sections() const { return FSections; }
    std::vector<TSection>& Sections() { return FSections; }

    TTextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TTextEncoding encoding) { FEncoding = encoding; }

    // Splits an entry line at its first "=" into trimmed name and value.
    static bool SplitEntry(std::string_view line, std::string_view& name, std::string_view& value);

private:
    const TSection* FindSection(std::string_view name) const;
    TSection* FindSection(std::string_view name);

    std::vector<TSection> FSections;
    TTextEncoding FEncoding = TTextEncoding::Ansi;
};

} // namespace maskaddr
