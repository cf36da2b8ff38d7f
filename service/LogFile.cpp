// The service's size-capped log file, rotated to FILE.1.
#include "service/LogFile.h"

namespace maskaddr::service {

TLogFile::~TLogFile() {
    if (FFile) std::fclose(FFile);
}

bool TLogFile::Open(const std::string& path, size_t maxBytes, std::string& error) {
    FFile = std::fopen(path.c_str(), "a");
    if (!FFile) {
        error = "cannot open the log file " + path;
        return false;
    }
    FPath = path;
    FMaxBytes = maxBytes;
    std::fseek(FFile, 0, SEEK_END);
    long size = std::ftell(FFile);
    FSize = size > 0 ? static_cast<size_t>(size) : 0;
    return true;
}

void TLogFile::Write(const std::string& line) {
    if (!FFile) return;
    if (FSize > 0 && FSize + line.size() + 1 > FMaxBytes) {
        std::fclose(FFile);
        std::rename(FPath.c_str(), (FPath + ".1").c_str());
        FFile = std::fopen(FPath.c_str(), "w");
        FSize = 0;
        if (!FFile) return;
    }
    std::fputs(line.c_str(), FFile);
    std::fputc('\n', FFile);
    std::fflush(FFile);
    FSize += line.size() + 1;
}

} // namespace maskaddr::service
