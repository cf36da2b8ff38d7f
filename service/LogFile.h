// The service's log file with a size cap: when a line would take it past the cap, the file
// becomes FILE.1 (replacing the one before) and a new file starts, so the log never holds
// more than about twice the cap.
#pragma once

#include <cstdio>
#include <string>

namespace maskaddr::service {

class TLogFile {
public:
    TLogFile() = default;
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    // Appends to `path`. False with a reason when it cannot be opened.
    bool Open(const std::string& path, size_t maxBytes, std::string& error);
    bool IsOpen() const { return FFile != nullptr; }
    // Writes one line (the caller serialises calls) and flushes it.
    void Write(const std::string& line);

private:
    std::string FPath;
    size_t FMaxBytes = 0;
    size_t FSize = 0;
    std::FILE* FFile = nullptr;
};

} // namespace maskaddr::service
