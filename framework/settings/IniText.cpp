// INI text (see IniText.h).
#include "framework/settings/IniText.h"

#include "base/Text.h"
#include "platform/FileSystem.h"
#include "platform/SystemText.h"

namespace maskaddr {

namespace {

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        units.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return Utf16ToUtf8(units);
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian) {
    std::string out = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (char16_t u : Utf8ToUtf16(utf8)) {
        char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    }
    return out;
}

} // namespace

bool TIniText::SplitEntry(std::string_view line, std::string_view& name, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    name = TrimView(line.substr(0, eq));
    value = TrimView(line.substr(eq + 1));
    return true;
}

void TIniText::Clear() {
    FSections.clear();
    FEncoding = TTextEncoding::Ansi;
}

std::string TIniText::DecodeBytes(const std::string& bytes, IAnsiCodec& ansi, TTextEncoding& encoding) {
    std::string_view b(bytes);
    if (b.substr(0, 3) == "\xEF\xBB\xBF") {
        encoding = TTextEncoding::Utf8;
        return std::string(b.substr(3));
    }
    if (b.substr(0, 2) == "\xFF\xFE") {
        encoding = TTextEncoding::Utf16LE;
        return DecodeUtf16(b.substr(2), false);
    }
    if (b.substr(0, 2) == "\xFE\xFF") {
        encoding = TTextEncoding::Utf16BE;
        return DecodeUtf16(b.substr(2), true);
    }
    encoding = TTextEncoding::Ansi;
    return ansi.FromAnsi(bytes);
}

void TIniText::LoadFromBytes(const std::string& bytes, IAnsiCodec& ansi) {
    ParseText(DecodeBytes(bytes, ansi, FEncoding));
}

void TIniText::ParseText(std::string_view text) {
    FSections.clear();
    TSection* current = nullptr;
    for (std::string_view raw : LineViews(text)) {
        std::string_view line = TrimView(raw);
        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            FSections.push_back({Trim(line.substr(1, line.size() - 2)), {}});
            current = &FSections.back();
        } else if (current != nullptr) {
            current->Lines.emplace_back(line);
        }
    }
}

std::string TIniText::SaveToBytes(IAnsiCodec& ansi) const {
    std::string text;
    for (const TSection& s : FSections) {
        text.append("[").append(s.Name).append("]\r\n");
        for (const std::string& line : s.Lines)
            text.append(line).append("\r\n");
        text.append("\r\n");
    }
    switch (FEncoding) {
    case TTextEncoding::Utf8:
        return "\xEF\xBB\xBF" + text;
    case TTextEncoding::Utf16LE:
        return EncodeUtf16(text, false);
    case TTextEncoding::Utf16BE:
        return EncodeUtf16(text, true);
    case TTextEncoding::Ansi:
        break;
    }
    return ansi.ToAnsi(text);
}

void TIniText::LoadFromFile(IFileSystem& files, const std::string& path, IAnsiCodec& ansi) {
    Clear();
    if (auto bytes = files.ReadFile(path)) LoadFromBytes(*bytes, ansi);
}

std::string TIniText::SaveToFile(IFileSystem& files, const std::string& path, IAnsiCodec& ansi) const {
    return files.WriteFileAtomic(path, SaveToBytes(ansi));
}

const TIniText::TSection* TIniText::FindSection(std::string_view name) const {
    for (auto it = FSections.rbegin(); it != FSections.rend(); ++it)
        if (SameText(it->Name, name)) return &*it;
    return nullptr;
}

TIniText::TSection* TIniText::FindSection(std::string_view name) {
    return const_cast<TSection*>(static_cast<const TIniText*>(this)->FindSection(name));
}

std::optional<std::string> TIniText::ReadValue(std::string_view section, std::string_view name) const {
    const TSection* s = FindSection(section);
    if (s == nullptr) return std::nullopt;
    for (auto it = s->Lines.rbegin(); it != s->Lines.rend(); ++it) {
        std::string_view n, v;
        if (SplitEntry(*it, n, v) && SameText(n, name)) return std::string(v);
    }
    return std::nullopt;
}

std::string TIniText::ReadString(std::string_view section, std::string_view name,
                                 std::string_view def) const {
    auto v = ReadValue(section, name);
    return v ? *v : std::string(def);
}

bool TIniText::ValueExists(std::string_view section, std::string_view name) const {
    return ReadValue(section, name).has_value();
}

bool TIniText::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

void TIniText::WriteString(std::string_view section, std::string_view name, std::string_view value) {
    std::string line = std::string(name) + "=" + std::string(value);
    TSection* s = FindSection(section);
    if (s == nullptr) {
        FSections.push_back({std::string(section), {}});
        s = &FSections.back();
    }
    for (auto it = s->Lines.rbegin(); it != s->Lines.rend(); ++it) {
        std::string_view n, v;
        if (SplitEntry(*it, n, v) && SameText(n, name)) {
            *it = std::move(line);
            return;
        }
    }
    s->Lines.push_back(std::move(line));
}

void TIniText::EraseSection(std::string_view section) {
    for (auto it = FSections.rbegin(); it != FSections.rend(); ++it) {
        if (SameText(it->Name, section)) {
            FSections.erase(std::next(it).base());
            return;
        }
    }
}

std::vector<std::string> TIniText::SectionLines(std::string_view section) const {
    const TSection* s = FindSection(section);
    return s != nullptr ? s->Lines : std::vector<std::string>{};
}

} // namespace maskaddr
