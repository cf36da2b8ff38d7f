// The JSON reader (see JsonText.h): recursive descent over the text, RFC 8259's grammar.
// Strings keep their UTF-8 bytes; escapes become UTF-8, a lone surrogate U+FFFD.
#include "browsers/JsonText.h"

#include <charconv>

namespace maskaddr {

namespace {

class TJsonReader {
public:
    explicit TJsonReader(std::string_view text) : FText(text) {}

    std::optional<TJsonValue> Document() {
        TJsonValue value;
        if (!Value(value, 0)) return std::nullopt;
        Blanks();
        if (FAt != FText.size()) return std::nullopt;
        return value;
    }

private:
    bool Value(TJsonValue& v, int depth) {
        Blanks();
        if (FAt >= FText.size() || depth > kMaxJsonDepth) return false;
        switch (FText[FAt]) {
        case '{':
            return Object(v, depth);
        case '[':
            return Array(v, depth);
        case '"':
            v.Kind = TJsonValue::TKind::String;
            return String(v.String);
        case 't':
        case 'f':
            v.Kind = TJsonValue::TKind::Bool;
            v.Bool = FText[FAt] == 't';
            return Word(v.Bool ? "true" : "false");
        case 'n':
            return Word("null");
        default:
            v.Kind = TJsonValue::TKind::Number;
            return Number(v.Number);
        }
    }

    bool Object(TJsonValue& v, int depth) {
        v.Kind = TJsonValue::TKind::Object;
        ++FAt;
        if (Next('}')) return true;
        do {
            Blanks();
            std::string name;
            if (FAt >= FText.size() || FText[FAt] != '"' || !String(name) || !Next(':')) return false;
            v.Names.push_back(std::move(name));
            if (!Value(v.Items.emplace_back(), depth + 1)) return false;
        } while (Next(','));
        return Next('}');
    }

    bool Array(TJsonValue& v, int depth) {
        v.Kind = TJsonValue::TKind::Array;
        ++FAt;
        if (Next(']')) return true;
        do {
            if (!Value(v.Items.emplace_back(), depth + 1)) return false;
        } while (Next(','));
        return Next(']');
    }

    bool String(std::string& out) {
        ++FAt; // the opening quote
        while (FAt < FText.size()) {
            const unsigned char c = static_cast<unsigned char>(FText[FAt++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                out += static_cast<char>(c);
            } else if (!Escape(out)) {
                return false;
            }
        }
        return false;
    }

    bool Escape(std::string& out) {
        if (FAt >= FText.size()) return false;
        const char c = FText[FAt++];
        constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
        if (const size_t i = kFrom.find(c); i != std::string_view::npos) {
            out += kTo[i];
            return true;
        }
        if (c != 'u') return false;
        std::optional<unsigned> code = Hex4();
        if (!code) return false;
        if (*code >= 0xD800 && *code < 0xDC00 && FText.substr(FAt, 2) == "\\u") {
            FAt += 2;
            const std::optional<unsigned> low = Hex4();
            if (!low) return false;
            code = *low >= 0xDC00 && *low < 0xE000 ? 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00)
                                                   : 0xFFFD;
        } else if (*code >= 0xD800 && *code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(out, *code);
        return true;
    }

    std::optional<unsigned> Hex4() {
        if (FText.size() - FAt < 4) return std::nullopt;
        unsigned value = 0;
        const auto [end, error] = std::from_chars(FText.data() + FAt, FText.data() + FAt + 4, value, 16);
        if (error != std::errc() || end != FText.data() + FAt + 4) return std::nullopt;
        FAt += 4;
        return value;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // JSON's number grammar: "-"? (0 | [1-9][0-9]*) ("." [0-9]+)? ([eE] [+-]? [0-9]+)?
    bool Number(double& out) {
        const size_t start = FAt;
        Take('-');
        if (!Take('0') && !Digits()) return false;
        if (Take('.') && !Digits()) return false;
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (!Digits()) return false;
        }
        const auto [end, error] = std::from_chars(FText.data() + start, FText.data() + FAt, out);
        return error == std::errc() && end == FText.data() + FAt;
    }

    bool Digits() {
        const size_t start = FAt;
        while (FAt < FText.size() && FText[FAt] >= '0' && FText[FAt] <= '9')
            ++FAt;
        return FAt > start;
    }

    bool Take(char c) {
        if (FAt >= FText.size() || FText[FAt] != c) return false;
        ++FAt;
        return true;
    }

    bool Word(std::string_view word) {
        if (FText.substr(FAt, word.size()) != word) return false;
        FAt += word.size();
        return true;
    }

    // Blanks, then the character c.
    bool Next(char c) {
        Blanks();
        return Take(c);
    }

    void Blanks() {
        while (FAt < FText.size() &&
               (FText[FAt] == ' ' || FText[FAt] == '\t' || FText[FAt] == '\n' || FText[FAt] == '\r'))
            ++FAt;
    }

    std::string_view FText;
    size_t FAt = 0;
};

} // namespace

const TJsonValue* TJsonValue::Member(std::string_view name) const {
    if (Kind != TKind::Object) return nullptr;
    for (size_t i = Names.size(); i-- > 0;)
        if (Names[i] == name) return &Items[i];
    return nullptr;
}

std::optional<std::string> TJsonValue::StringMember(std::string_view name) const {
    const TJsonValue* v = Member(name);
    return v != nullptr && v->Kind == TKind::String ? std::optional<std::string>(v->String) : std::nullopt;
}

bool TJsonValue::TrueMember(std::string_view name) const {
    const TJsonValue* v = Member(name);
    return v != nullptr && ((v->Kind == TKind::Bool && v->Bool) || (v->Kind == TKind::Number && v->Number != 0));
}

std::optional<TJsonValue> ParseJson(std::string_view text) {
    return TJsonReader(text).Document();
}

} // namespace maskaddr
