// TSingleDownloader: fetches one URL at a time on a worker thread through the
// system's web settings, into a file or a string, and reports on the
// user-interface thread; each transfer ends by its deadline. TFilePostGen builds
// multipart/form-data bodies.
#pragma once

#include "base/NameValueList.h"
#include "framework/components/Component.h"
#include "framework/threads/Lifeline.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace maskaddr {

enum THttpCharset { KAnsi, KUnicode, KUTF8 };

class TSingleDownloader;
// Spelled so on purpose (iReaded): the name is kept as it stands.
using TOnProgressEvent = std::function<void(void* Sender, int64_t iTotalSize, int64_t iReaded)>;
using TOnDoneFileEvent =
    std::function<void(TSingleDownloader* Sender, const std::string& strFileName, int64_t iFileSize)>;
using TOnDoneStringEvent = std::function<void(TSingleDownloader* Sender, const std::string& strResult)>;
using TOnErrorEvent = std::function<void(TSingleDownloader* Sender)>;
using TOnLog = std::function<void(const std::string& aLog)>;

// The reply bytes as text.
std::string DecodeReply(IAnsiCodec& ansi, const std::string& bytes, THttpCharset charset);

class TFilePostGen {
public:
    static constexpr const char* kBoundary = "---------------------------989989989";
    // Values are NAME=VALUE lines; files are NAME=PATH lines (either may be null).
    void Make(IFileSystem& files, IAnsiCodec& ansi, const TNameValueList* slValues,
              const TNameValueList* slFiles);
    const std::string& PostData() const { return FPostData; }
    const std::string& Headers() const { return FHeaders; }

private:
    std::string FPostData;
    std::string FHeaders;
};

struct TSingleDownloaderThread; // one transfer's state, shared by the worker and the component

class TSingleDownloader : public TComponent {
public:
    TSingleDownloader(TComponent* aOwner, const TPlatform& platform, std::string name = "");
    ~TSingleDownloader() override;

    void GetFile();
    void GetString();
    void Abort();
    bool Busy() const { return FThread != nullptr; }
    bool Result() const { return FResult; }
    // The bytes of the last text transfer as they arrived, before decoding (what a
    // signature covers); valid from OnDoneString until the next transfer.
    const std::string& ReplyBytes() const { return FReplyBytes; }
    void SetPostValues(const TNameValueList& slValues);
    void SetUploadFiles(const TNameValueList& slValues, const TNameValueList& slFiles);

    std::string AcceptTypes = "*/*";
    std::string Agent;
    bool BinaryData = false;
    std::string URL;
    bool UseCache = false;
    std::string FileName;
    std::string UserName, Password;
    std::string ContentType;
    std::string PostQuery;
    std::string Referer;
    bool WaitThread = false;
    // The whole transfer (connecting, sending, the reply's head and body) is over this long
    // after its start: by then it has succeeded, or it ends as failed (OnError) even while the
    // system's call still waits, and a file transfer leaves the destination untouched. 0: none.
    int DeadlineMs = kDefaultDeadlineMs;
    // A reply longer than this many bytes fails, its length header or what arrives past it
    // (0: no cap).
    int64_t MaxBytes = 0;
    static constexpr int kDefaultDeadlineMs = 30000;
    THttpCharset HttpCharset = KAnsi;
    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    TOnErrorEvent OnError;
    TOnLog OnLog;

private:
    void Start(bool toFile);
    void ThreadDone(const std::shared_ptr<TSingleDownloaderThread>& thread);

    TPlatform FPlatform;
    std::shared_ptr<TSingleDownloaderThread> FThread;
    bool FResult = false;
    bool FAbort = false;
    std::string FReplyBytes;
    // Results of transfers still in flight reach this component only while it lives.
    TLifeline<TSingleDownloader> FAlive{this};
};

} // namespace maskaddr
