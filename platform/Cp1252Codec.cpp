// Windows-1252 codec, used where no system code page can be asked (native builds).
#include "base/Text.h"
#include "platform/SystemText.h"

namespace maskaddr {

namespace {
// Code points of bytes 0x80..0x9F; the five unassigned bytes map to C1 controls
// exactly as Windows converts them.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

std::string TCp1252Codec::FromAnsi(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        unsigned char b = static_cast<unsigned char>(c);
        AppendUtf8(out, (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string TCp1252Codec::ToAnsi(const std::string& utf8) {
    std::u16string wide = Utf8ToUtf16(utf8);
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char16_t u = wide[i];
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == u) mapped = static_cast<char>(0x80 + k);
        // A surrogate pair is one character: one "?" for both halves.
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < wide.size()) ++i;
        out.push_back(mapped);
    }
    return out;
}

} // namespace maskaddr
