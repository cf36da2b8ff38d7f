// Win32 implementations of the platform interfaces, and the call that gathers them into
// one TPlatform.
#pragma once

#include "base/DebugTrace.h"
#include "platform/InternetSettings.h"
#include "platform/Platform.h"
#include "platform/win32/Handles.h"

#include <windows.h>

namespace maskaddr {

class TRegistryWin final : public IRegistry {
public:
    bool KeyExists(TRegRoot root, const std::string& key) override;
    std::optional<std::string> ReadString(TRegRoot root, const std::string& key,
                                          const std::string& name) override;
    std::optional<uint32_t> ReadDword(TRegRoot root, const std::string& key,
                                      const std::string& name) override;
    bool WriteString(TRegRoot root, const std::string& key, const std::string& name,
                     const std::string& value) override;
    bool WriteDword(TRegRoot root, const std::string& key, const std::string& name, uint32_t value) override;
    bool DeleteValue(TRegRoot root, const std::string& key, const std::string& name) override;
    std::vector<std::string> SubKeys(TRegRoot root, const std::string& key) override;
};

class TFileSystemWin final : public IFileSystem {
public:
    std::string ProgramPath() override;
    std::string LongPath(const std::string& path) override;
    bool CreateFolders(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path) override;
    std::optional<std::string> ReadFileUpTo(const std::string& path, size_t maxBytes) override;
    std::string WriteFileAtomic(const std::string& path, const std::string& bytes) override;
    std::unique_ptr<IWritableFile> CreateForWrite(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    std::string MoveFileOver(const std::string& from, const std::string& to) override;
    std::optional<int64_t> FolderCreationTime(const std::string& path) override;
    bool CanWriteFolder(const std::string& path) override;
    bool CreateSharedFolder(const std::string& path) override;
    bool OwnedByCurrentUser(const std::string& path) override;
    std::vector<std::string> FindEntries(const std::string& pattern) override;
    std::string KnownFolder(TKnownFolder folder) override;
};

// WinINet opened with the system's preconfigured settings.
class TInetClientWin final : public IInetClient {
public:
    std::unique_ptr<IInetTransfer> NewTransfer() override;
};

// The per-connection proxy options of the default connection, through WinINet.
class TInternetSettingsWin final : public IInternetSettings {
public:
    bool ApplyPerConnectionProxy(bool aEnable, const std::string& aBypass,
                                 const std::string& aServer) override;
    std::optional<TConnectionOptions> QueryConnectionOptions() override;
    bool ApplyConnectionOptions(const TConnectionOptions& options) override;
    void NotifySettingsChanged() override;
};

// CreateProcessW and FindWindowW.
class TProcessesWin final : public IProcesses {
public:
    bool Start(const std::string& commandLine, const std::string& workingFolder, bool hideAndWait,
               int timeoutMs) override;
    bool WindowClassExists(const std::string& className) override;
};

// WinINet's URL cache enumeration; the open enumeration is held between calls.
class TUrlCacheWin final : public IUrlCache {
public:
    TUrlCacheWin() = default;
    ~TUrlCacheWin() override;
    TUrlCacheWin(const TUrlCacheWin&) = delete;
    TUrlCacheWin& operator=(const TUrlCacheWin&) = delete;
    uint32_t FirstEntrySize() override;
    uint32_t NextEntrySize() override;
    bool FindFirst(uint32_t size, TUrlCacheEntry& entry) override;
    bool FindNext(uint32_t size, TUrlCacheEntry& entry) override;
    bool Delete(const std::string& sourceUrl) override;
    void Close() override;

private:
    HANDLE FEnum = nullptr;
};

// Runs pending messages of the calling (user-interface) thread, waiting briefly for one.
class TMessagePumpWin final : public IMessagePump {
public:
    void ProcessMessages() override;
};

// ECDSA P-256 verification with the system's cryptography (bcrypt.dll).
class TSignatureVerifierWin final : public ISignatureVerifier {
public:
    bool VerifyEcdsaP256(const std::string& publicKey, const std::string& data,
                         const std::string& signature) override;
};

// Converts through the system's ANSI code page (GetACP).
class TAnsiCodecWin final : public IAnsiCodec {
public:
    std::string ToAnsi(const std::string& utf8) override;
    std::string FromAnsi(const std::string& ansi) override;
};

class TLocaleWin final : public ILocale {
public:
    char DecimalSeparator() override;
};

class TClockWin final : public IClock {
public:
    TDateTime Now() override;
    TDateTime UtcNow() override;
};

class TSystemFactsWin final : public ISystemFacts {
public:
    TOsVersion OsVersion() override;
    bool IsWindowsVista64() override;
    uint16_t SystemDefaultLangID() override;
    uint16_t UserDefaultUILanguage() override;
    uint32_t TickCount() override;
    std::vector<std::string> ProgramArguments() override;
};

// One session per request: the direct GET through WinINet opened for a direct connection
// (InetWin.cpp), a GET through one proxy through WinHTTP with WINHTTP_ACCESS_TYPE_NAMED_PROXY.
class TDirectHttpWin final : public IDirectHttp {
public:
    static constexpr int kDirectTimeoutMs = 30000;
    std::optional<std::string> Get(const std::string& url) override;
    std::optional<std::string> GetThroughProxy(const std::string& url, const std::string& proxy,
                                               int timeoutMs, THttpFailure* failure) override;
};

// A message-only window of the thread that constructs it (the user-interface thread);
// that thread's message loop runs the posted tasks. Destroy it on the same thread.
class TUiDispatcherWin final : public IUiDispatcher {
public:
    TUiDispatcherWin();
    ~TUiDispatcherWin() override;
    TUiDispatcherWin(const TUiDispatcherWin&) = delete;
    TUiDispatcherWin& operator=(const TUiDispatcherWin&) = delete;
    bool Post(std::function<void()> task) override;

private:
    TWindowHandle FWindow;
};

// Appends each trace line, with its local time and tag, to a file; also sends it
// to the system debugger output. The trace channel calls it one line at a time from
// any thread, so each line reaches the file whole, in one append.
class TFileTraceSink final : public ITraceSink {
public:
    explicit TFileTraceSink(std::wstring path) : FPath(std::move(path)) {}
    void WriteTrace(std::string_view tag, std::string_view text) override;
    const std::wstring& Path() const { return FPath; }

private:
    std::wstring FPath;
};

// The Win32 facilities, made on the first call and the same objects on every call after (they
// live for the whole process). Call it first on the user-interface thread: the hand-over to
// that thread is created then.
TPlatform Win32Platform();

// The trace file: %MASKADDR_TRACE_FILE% when set, else "maskaddr-trace.log" in the
// temporary folder.
std::wstring DefaultTraceFilePath();

} // namespace maskaddr
