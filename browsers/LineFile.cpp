// Files as lines with their own endings (see LineFile.h): the editor under Opera's preference
// file and a Firefox profile's user.js.
#include "browsers/LineFile.h"

namespace maskaddr {

namespace {
constexpr std::string_view kBom = "\xEF\xBB\xBF";
} // namespace

TLineFile SplitLineFile(std::string_view bytes) {
    TLineFile file;
    if (bytes.substr(0, kBom.size()) == kBom) {
        file.Bom = kBom;
        bytes.remove_prefix(kBom.size());
    }
    for (size_t at = 0; at < bytes.size();) {
        const size_t lf = bytes.find('\n', at);
        if (lf == std::string_view::npos) {
            file.Lines.push_back({std::string(bytes.substr(at)), ""});
            break;
        }
        const size_t end = lf > at && bytes[lf - 1] == '\r' ? lf - 1 : lf;
        file.Lines.push_back(
            {std::string(bytes.substr(at, end - at)), std::string(bytes.substr(end, lf + 1 - end))});
        at = lf + 1;
    }
    return file;
}

std::string JoinLineFile(const TLineFile& file) {
    std::string bytes = file.Bom;
    for (const TLine& line : file.Lines)
        bytes += line.Text + line.Ending;
    return bytes;
}

std::string FileEnding(const TLineFile& file) {
    for (const TLine& line : file.Lines)
        if (!line.Ending.empty()) return line.Ending;
    return "\r\n";
}

// A line added after a last line without a line ending gives that line the ending and goes
// without one itself, and its removal takes the ending away again: the file keeps its
// missing final line break, and a removal undoes an addition byte for byte.
void InsertLine(std::vector<TLine>& lines, size_t at, std::string text, const std::string& ending) {
    if (at == lines.size() && at > 0 && lines[at - 1].Ending.empty()) {
        // A last line that ends in a lone CR would take a LF as part of a CR LF of its own.
        const bool lastCR = !lines[at - 1].Text.empty() && lines[at - 1].Text.back() == '\r';
        lines[at - 1].Ending = lastCR && ending == "\n" ? "\r\n" : ending;
        lines.push_back({std::move(text), ""});
    } else {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), {std::move(text), ending});
    }
}

void RemoveLine(std::vector<TLine>& lines, size_t at) {
    if (lines[at].Ending.empty() && at > 0) lines[at - 1].Ending.clear();
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace maskaddr
