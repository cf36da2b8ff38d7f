// A text file as lines that keep their own line endings, so that an edit changes only the
// lines it means: a byte-order mark, each line's ending and a missing final line break stay,
// and removing a line that was added gives the bytes back as they were.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace maskaddr {

struct TLine {
    std::string Text, Ending; // Ending: "\r\n", "\n", or empty for a last line without one
};

struct TLineFile {
    std::string Bom; // the UTF-8 byte-order mark, or empty
    std::vector<TLine> Lines;
};

// Lines end with LF or CR LF; a lone CR is part of its line's text.
TLineFile SplitLineFile(std::string_view bytes);
std::string JoinLineFile(const TLineFile& file);
// The line ending that lines added to the file take: its first, else CR LF.
std::string FileEnding(const TLineFile& file);
// Inserts a line before index at (at == size: after the last line) with that ending.
void InsertLine(std::vector<TLine>& lines, size_t at, std::string text, const std::string& ending);
void RemoveLine(std::vector<TLine>& lines, size_t at);

} // namespace maskaddr
