// The download worker (see SingleDownloader.h).
#include "framework/engine/SingleDownloader.h"

#include "base/DebugTrace.h"
#include "base/Text.h"
#include "framework/engine/UrlTools.h"
#include "framework/paths/AppPaths.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

namespace maskaddr {

// Everything one transfer needs, copied at its start. Until the hand-over the worker
// thread owns every field but Stop, Outcome and the watch; after it, the user-interface
// thread reads the outcome. The component only sets Stop (when it aborts), and forgets the
// transfer.
//
// The deadline: the worker limits each of its waits to the time left, but a system call can
// outlast that (a reply head that trickles in byte by byte keeps every single wait short). So a
// watch on a second worker thread ends the transfer at the deadline by itself. The worker
// (before it finishes) and the watch (at the deadline) each try to take the outcome; whoever
// takes it first hands the completion over, once. A worker that lost stops at its next step,
// removes its temporary file and hands nothing over.
struct TSingleDownloaderThread : std::enable_shared_from_this<TSingleDownloaderThread> {
    std::string FTAcceptTypes, FTAgent, FTURL, FTFileName, FTStringResult, FTUserName, FTPassword,
        FTContentType, FTPostQuery, FTReferer;
    std::string FTReplyBytes; // a text transfer's bytes before decoding
    bool FTBinaryData = false, FTUseCache = false, FTResult = false, FTToFile = false;
    int64_t FTMaxBytes = 0; // a longer reply fails (0: no cap)
    bool FTTooLong = false;
    int64_t FTFileSize = 0;
    // Spelled so on purpose: the name is kept as it stands.
    int64_t BytesReaded = 0;
    THttpCharset FHttpCharset = KAnsi;
    TOnLog FOnLog;
    // Set by Abort: the worker stops at its next check, and nothing it hands over reaches
    // the component any more.
    std::atomic<bool> Stop{false};
    enum TOutcome : int { Open, ByWorker, ByDeadline };
    std::atomic<int> Outcome{Open};
    std::chrono::steady_clock::time_point Deadline = std::chrono::steady_clock::time_point::max();
    std::mutex WatchLock;
    std::condition_variable WatchWake;
    bool WatchEnded = false; // the worker has ended, or the transfer was aborted
    TLifeline<TSingleDownloader>::TWeak Owner;
    // The facilities of the platform the transfer was started on, taken on the
    // user-interface thread.
    IInetClient* Inet = nullptr;
    IFileSystem* Files = nullptr;
    IAnsiCodec* Ansi = nullptr;
    IUiDispatcher* Ui = nullptr;
    TOnProgressEvent FTProgress; // called on the user-interface thread only

    void Log(const std::string& line) {
        if (FOnLog) FOnLog(line);
    }
    void Execute();
    void PostProgress();
    // Stopped by Abort, or past the deadline with the outcome taken by the watch.
    bool Cut() const { return Stop || Outcome == ByDeadline; }
    // True when the worker holds the outcome (now or already).
    bool TakeOutcome() {
        int open = Open;
        return Outcome.compare_exchange_strong(open, ByWorker) || open == ByWorker;
    }
    // On the watch's thread: waits until the deadline and hands the completion over then,
    // unless the worker ended or the transfer was aborted first.
    void Watch(const std::function<void()>& done);
    void EndWatch();

    // The steps of Execute, on the worker thread.
    void Transfer(std::unique_ptr<IWritableFile>& temp, std::string& tempPath);
    std::unique_ptr<IInetTransfer> OpenRequest();
    TInetRequest MakeRequest(const TUrlParts& parts) const;
    bool AcceptReply(IInetTransfer& transfer);
    void ReadReply(IInetTransfer& transfer, IWritableFile* file, std::string& memory);
    void FinishFile(std::unique_ptr<IWritableFile> temp, const std::string& tempPath);
    void FinishMemory(std::string& memory);
};

namespace {

constexpr uint32_t kBlockSize = 16384;

std::string TempFileNameIn(IFileSystem& files) {
    thread_local std::mt19937 generator(
        static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                              std::hash<std::thread::id>()(std::this_thread::get_id())));
    std::string folder = files.KnownFolder(TKnownFolder::Temp);
    std::uniform_int_distribution<uint32_t> draw(0, 0xFFFFE);
    while (true) {
        char name[32];
        std::snprintf(name, sizeof name, "sg%x.tmp", draw(generator));
        std::string path = folder + "\\" + name;
        if (!files.FileExists(path)) return path;
    }
}

std::string DecodeWith(IAnsiCodec& ansi, const std::string& bytes, THttpCharset charset) {
    switch (charset) {
    case KUnicode: {
        std::u16string units;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return Utf16ToUtf8(units);
    }
    case KUTF8:
        return Utf16ToUtf8(Utf8ToUtf16(bytes)); // invalid sequences become U+FFFD
    case KAnsi:
        break;
    }
    return ansi.FromAnsi(bytes);
}

} // namespace

std::string DecodeReply(IAnsiCodec& ansi, const std::string& bytes, THttpCharset charset) {
    return DecodeWith(ansi, bytes, charset);
}

// ---- the transfer, on the worker thread ----

// Runs the transfer; whichever way it ends (finished, failed, stopped, past its deadline or
// by an exception), a temporary file that is left is closed and removed, never copied.
void TSingleDownloaderThread::Execute() {
    std::string tempPath;
    std::unique_ptr<IWritableFile> temp;
    try {
        Transfer(temp, tempPath);
    } catch (const std::exception& e) {
        Log(std::string("Transfer failed: ") + e.what());
        FTResult = false;
    }
    if (temp) temp->Close();
    if (!tempPath.empty() && Files->FileExists(tempPath)) Files->RemoveFile(tempPath);
}

// Opens the request, accepts the reply, reads it into a temporary file or into memory,
// and finishes: the file replaces the destination, or the text is decoded. A stop
// request or the deadline ends the transfer at the next step.
void TSingleDownloaderThread::Transfer(std::unique_ptr<IWritableFile>& temp, std::string& tempPath) {
    std::string memory;
    std::unique_ptr<IInetTransfer> transfer = OpenRequest();
    if (!transfer || !AcceptReply(*transfer)) return;
    if (FTToFile) {
        tempPath = TempFileNameIn(*Files);
        temp = Files->CreateForWrite(tempPath);
        if (!temp) return;
    }
    ReadReply(*transfer, temp.get(), memory);
    if (Cut() || FTTooLong) return;
    Log("Received " + std::to_string(BytesReaded) + " of " + std::to_string(FTFileSize) + " bytes");
    if (!TakeOutcome()) return; // the deadline came first: nothing is applied
    if (FTToFile)
        FinishFile(std::move(temp), tempPath);
    else
        FinishMemory(memory);
}

// The request sent; null when the address cannot be read, the sending failed or a stop
// was requested.
std::unique_ptr<IInetTransfer> TSingleDownloaderThread::OpenRequest() {
    auto parts = ParseURL(FTURL);
    Log("ParseURL: " + FTURL);
    Log("ParseURL: " + (parts ? parts->Host : std::string()));
    Log("ParseURL: " + (parts ? parts->Path : std::string()));
    if (Cut() || !parts || Inet == nullptr) return nullptr;
    const TInetRequest request = MakeRequest(*parts);
    Log(request.Verb);
    std::unique_ptr<IInetTransfer> transfer = Inet->NewTransfer();
    bool sent = transfer->Send(request);
    Log(sent ? "HttpOpenRequest ok!" : "HttpOpenRequest failed!");
    if (Cut() || !sent) return nullptr;
    return transfer;
}

// A GET, or a POST of the query (form-encoded unless a content type is given).
TInetRequest TSingleDownloaderThread::MakeRequest(const TUrlParts& parts) const {
    TInetRequest request;
    request.Agent = FTAgent;
    request.Host = parts.Host;
    request.Port = parts.Port;
    request.Secure = parts.Secure;
    request.Reload = !FTUseCache;
    request.Verb = FTPostQuery.empty() ? "GET" : "POST";
    request.Path = parts.Path;
    request.Referer = FTReferer;
    request.AcceptType = FTAcceptTypes.empty() ? "*" : FTAcceptTypes;
    request.UserName = FTUserName;
    request.Password = FTPassword;
    request.Deadline = Deadline;
    if (!FTPostQuery.empty()) {
        request.Headers =
            FTContentType.empty() ? "Content-Type: application/x-www-form-urlencoded" : FTContentType;
        request.Body = FTPostQuery;
    }
    return request;
}

// Only a successful reply counts: an error page is not the file that was asked for, and
// binary data needs its length.
bool TSingleDownloaderThread::AcceptReply(IInetTransfer& transfer) {
    std::optional<int64_t> length = transfer.ContentLength();
    if (Cut()) return false;
    if (!length && FTBinaryData) return false;
    int status = transfer.StatusCode();
    if (status < 200 || status > 299) {
        Log("HTTP status " + std::to_string(status));
        return false;
    }
    if (FTMaxBytes > 0 && length.value_or(0) > FTMaxBytes) {
        Log("Reply of " + std::to_string(*length) + " bytes refused: over " + std::to_string(FTMaxBytes));
        return false;
    }
    FTFileSize = length.value_or(0);
    BytesReaded = 0;
    return true;
}

// Reads block by block into the file, or into memory without one, until the reply ends,
// a write fails or a stop is requested; each block is reported.
void TSingleDownloaderThread::ReadReply(IInetTransfer& transfer, IWritableFile* file, std::string& memory) {
    std::string block(kBlockSize, '\0');
    while (!Cut()) {
        uint32_t got = 0;
        if (!transfer.Read(block.data(), kBlockSize, got) || got == 0) break;
        if (FTMaxBytes > 0 && BytesReaded + got > FTMaxBytes) {
            Log("Reply refused: over " + std::to_string(FTMaxBytes) + " bytes");
            FTTooLong = true;
            break;
        }
        if (file != nullptr) {
            if (!file->Write(block.data(), got)) break;
        } else {
            memory.append(block.data(), got);
        }
        BytesReaded += got;
        if (!Cut()) PostProgress();
    }
}

// The destination is replaced only by a complete download.
void TSingleDownloaderThread::FinishFile(std::unique_ptr<IWritableFile> temp, const std::string& tempPath) {
    bool closed = temp->Close();
    temp.reset();
    FTResult = closed && BytesReaded == FTFileSize;
    if (!FTResult) return;
    const std::string folder = FolderOf(FTFileName);
    if (!folder.empty()) Files->CreateFolders(folder);
    std::string error = Files->MoveFileOver(tempPath, FTFileName);
    if (!error.empty()) {
        Log("Cannot replace " + FTFileName + " : " + error);
        FTResult = false;
    }
}

void TSingleDownloaderThread::FinishMemory(std::string& memory) {
    FTStringResult = DecodeWith(*Ansi, memory, FHttpCharset);
    FTResult = !memory.empty();
    FTReplyBytes = std::move(memory);
}

// The progress call holds this transfer's state, and reaches the component while it
// lives and the transfer is neither aborted nor past its deadline.
void TSingleDownloaderThread::PostProgress() {
    auto call = [self = shared_from_this(), total = FTFileSize, done = BytesReaded](TSingleDownloader&) {
        if (!self->Cut() && self->FTProgress) self->FTProgress(self.get(), total, done);
    };
    Ui->Post(TLifeline<TSingleDownloader>::WhileAlive(Owner, std::move(call)));
}

void TSingleDownloaderThread::Watch(const std::function<void()>& done) {
    {
        std::unique_lock<std::mutex> hold(WatchLock);
        if (WatchWake.wait_until(hold, Deadline, [this] { return WatchEnded; })) return;
    }
    int open = Open;
    if (Outcome.compare_exchange_strong(open, ByDeadline)) Ui->Post(done);
}

void TSingleDownloaderThread::EndWatch() {
    {
        std::lock_guard<std::mutex> hold(WatchLock);
        WatchEnded = true;
    }
    WatchWake.notify_all();
}

// ---- the component, on the user-interface thread ----

TSingleDownloader::TSingleDownloader(TComponent* aOwner, const TPlatform& platform, std::string name)
    : TComponent(aOwner, std::move(name), "TSingleDownloader"), FPlatform(platform) {}

TSingleDownloader::~TSingleDownloader() {
    Abort();
}

void TSingleDownloader::GetFile() {
    Start(true);
}
void TSingleDownloader::GetString() {
    Start(false);
}

void TSingleDownloader::Start(bool toFile) {
    if (FThread) return; // one transfer at a time
    FAbort = false;
    auto t = std::make_shared<TSingleDownloaderThread>();
    t->FTAcceptTypes = AcceptTypes;
    t->FTAgent = Agent;
    t->FTURL = URL;
    t->FTFileName = FileName;
    t->FTUserName = UserName;
    t->FTPassword = Password;
    t->FTContentType = ContentType;
    t->FTPostQuery = PostQuery;
    t->FTReferer = Referer;
    t->FTBinaryData = BinaryData;
    t->FTUseCache = UseCache;
    t->FTMaxBytes = MaxBytes;
    t->FTToFile = toFile;
    t->FHttpCharset = HttpCharset;
    t->FOnLog = OnLog;
    t->FTProgress = OnProgress;
    if (DeadlineMs > 0)
        t->Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeadlineMs);
    t->Owner = FAlive.Weak();
    const TPlatform& platform = FPlatform;
    t->Inet = platform.Inet;
    t->Files = platform.Files;
    t->Ansi = platform.Ansi;
    t->Ui = platform.Ui;
    if (t->Ui == nullptr || t->Files == nullptr || t->Ansi == nullptr) return; // no platform to run on
    FThread = t;
    // The completion holds the transfer's state until it has run (or was refused), and
    // reaches this component while it lives.
    std::function<void()> done = FAlive.Guard([t](TSingleDownloader& self) { self.ThreadDone(t); });
    bool started = WorkerThreads::Start([t, done] {
        t->Execute();
        t->EndWatch();
        if (t->TakeOutcome()) t->Ui->Post(done);
    });
    if (!started) {
        t->Ui->Post(done); // no thread: the transfer failed
    } else if (DeadlineMs > 0 && !WorkerThreads::Start([t, done] { t->Watch(done); })) {
        DebugTrace::Trace("SingleDownloader", "No watch for the deadline of " + URL);
    }
    if (WaitThread) {
        IMessagePump* pump = FPlatform.Pump;
        while (FThread && pump != nullptr)
            pump->ProcessMessages();
    }
}

void TSingleDownloader::ThreadDone(const std::shared_ptr<TSingleDownloaderThread>& thread) {
    if (!FThread || FThread != thread) return; // aborted, or another transfer's
    FThread.reset();
    if (thread->Outcome == TSingleDownloaderThread::ByDeadline) {
        // The worker may still be inside a system call: none of its fields is read.
        DebugTrace::Trace("SingleDownloader", "Deadline passed: " + URL);
        FResult = false;
        if (!FAbort && OnError) OnError(this);
        return;
    }
    FResult = thread->FTResult;
    if (FResult && thread->FTToFile) {
        if (OnDoneFile) OnDoneFile(this, thread->FTFileName, thread->FTFileSize);
    } else if (FResult) {
        FReplyBytes = std::move(thread->FTReplyBytes);
        if (OnDoneString) OnDoneString(this, thread->FTStringResult);
    } else if (!FAbort && OnError) {
        OnError(this);
    }
}

// The worker's result stays the worker's to write: a forgotten transfer's completion is
// ignored by ThreadDone, so it counts as failed without this thread touching it.
void TSingleDownloader::Abort() {
    if (FThread) {
        FThread->Stop = true;
        FThread->EndWatch();
        FThread.reset();
    }
    FAbort = true;
}

void TSingleDownloader::SetPostValues(const TNameValueList& slValues) {
    std::string query;
    for (const std::string& line : slValues) {
        size_t eq = line.find('=');
        if (!query.empty()) query += "&";
        query += line.substr(0, eq) + "=" +
                 (eq == std::string::npos ? "" : UrlEncodeForm(*FPlatform.Ansi, line.substr(eq + 1)));
    }
    PostQuery = query;
}

void TSingleDownloader::SetUploadFiles(const TNameValueList& slValues, const TNameValueList& slFiles) {
    TFilePostGen gen;
    gen.Make(*FPlatform.Files, *FPlatform.Ansi, &slValues, &slFiles);
    ContentType = gen.Headers();
    PostQuery = gen.PostData();
}

// ---- multipart bodies ----

void TFilePostGen::Make(IFileSystem& files, IAnsiCodec& ansi, const TNameValueList* slValues,
                        const TNameValueList* slFiles) {
    const std::string boundary = kBoundary;
    std::string body;
    auto split = [](const std::string& line, std::string& name, std::string& value) {
        size_t eq = line.find('=');
        name = line.substr(0, eq);
        value = eq == std::string::npos ? "" : line.substr(eq + 1);
    };
    std::string name, value;
    if (slValues != nullptr)
        for (const std::string& line : *slValues) {
            split(line, name, value);
            body += "--" + boundary + "\r\n";
            body += "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
            body += UrlEncodeForm(ansi, value) + "\r\n";
        }
    if (slFiles != nullptr) {
        for (const std::string& line : *slFiles) {
            split(line, name, value);
            body += "--" + boundary + "\r\n";
            body += "Content-Disposition: form-data; name=\"" + name + "\"; filename=\"" + value + "\"\r\n";
            if (value.empty()) {
                body += "Content-Transfer-Encoding: binary\r\n\r\n";
                continue;
            }
            std::string ext = UpperAscii(
                value.substr(value.rfind('.') == std::string::npos ? value.size() : value.rfind('.')));
            if (ext == ".JPG" || ext == ".JPEG")
                body += "Content-Type: image/pjpeg\r\n";
            else if (ext == ".PNG")
                body += "Content-Type: image/x-png\r\n";
            else if (ext == ".PDF")
                body += "Content-Type: application/pdf\r\n";
            else if (ext == ".HTML")
                body += "Content-Type: text/html\r\n";
            body += "\r\n";
            body += files.ReadFile(value).value_or("") + "\r\n";
        }
        body += "--" + boundary + "--\r\n";
    }
    FPostData = body;
    FHeaders = "Content-Type: multipart/form-data; boundary=" + boundary;
}

} // namespace maskaddr
