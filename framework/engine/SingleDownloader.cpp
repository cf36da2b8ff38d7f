// The download worker (see SingleDownloader.h).
#include "framework/engine/SingleDownloader.h"

#include "base/Text.h"
#include "framework/engine/UrlTools.h"
#include "framework/paths/AppPaths.h"
#include "framework/threads/WorkerThreads.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace maskaddr {

// Everything one transfer needs, copied at its start. Until the hand-over the worker
// thread owns every field but Stop; after it, the user-interface thread reads the
// outcome. The component only sets Stop (when it aborts), and forgets the transfer.
struct TSingleDownloaderThread : std::enable_shared_from_this<TSingleDownloaderThread> {
    std::string FTAcceptTypes, FTAgent, FTURL, FTFileName, FTStringResult, FTUserName, FTPassword,
        FTContentType, FTPostQuery, FTReferer;
    std::string FTReplyBytes; // a text transfer's bytes before decoding
    bool FTBinaryData = false, FTUseCache = false, FTResult = false, FTToFile = false;
    int64_t FTFileSize = 0;
    // Spelled so on purpose: the name is kept as it stands.
    int64_t BytesReaded = 0;
    THttpCharset FHttpCharset = KAnsi;
    TOnLog FOnLog;
    // Set by Abort: the worker stops at its next check, and nothing it hands over reaches
    // the component any more.
    std::atomic<bool> Stop{false};
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

    // The steps of Execute, on the worker thread.
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

std::string MakeTempFileName() {
    return TempFileNameIn(*Platform().Files);
}

std::string DecodeReply(const std::string& bytes, THttpCharset charset) {
    return DecodeWith(*Platform().Ansi, bytes, charset);
}

// ---- the transfer, on the worker thread ----

// Opens the request, accepts the reply, reads it into a temporary file or into memory,
// and finishes: the file replaces the destination, or the text is decoded. A stop
// request ends the transfer at the next step; an aborted transfer's temporary file is
// closed and not copied.
void TSingleDownloaderThread::Execute() {
    std::string memory;
    std::string tempPath;
    std::unique_ptr<IWritableFile> temp;
    try {
        std::unique_ptr<IInetTransfer> transfer = OpenRequest();
        if (!transfer || !AcceptReply(*transfer)) return;
        if (FTToFile) {
            tempPath = TempFileNameIn(*Files);
            temp = Files->CreateForWrite(tempPath);
            if (!temp) return;
        }
        ReadReply(*transfer, temp.get(), memory);
        if (Stop) return;
        Log("Received " + std::to_string(BytesReaded) + " of " + std::to_string(FTFileSize) + " bytes");
        if (FTToFile)
            FinishFile(std::move(temp), tempPath);
        else
            FinishMemory(memory);
    } catch (const std::exception& e) {
        Log(std::string("Transfer failed: ") + e.what());
        FTResult = false;
    }
    if (temp) temp->Close();
    if (!tempPath.empty() && Files->FileExists(tempPath)) Files->RemoveFile(tempPath);
}

// The request sent; null when the address cannot be read, the sending failed or a stop
// was requested.
std::unique_ptr<IInetTransfer> TSingleDownloaderThread::OpenRequest() {
    auto parts = ParseURL(FTURL);
    Log("ParseURL: " + FTURL);
    Log("ParseURL: " + (parts ? parts->Host : std::string()));
    Log("ParseURL: " + (parts ? parts->Path : std::string()));
    if (Stop || !parts || Inet == nullptr) return nullptr;
    const TInetRequest request = MakeRequest(*parts);
    Log(request.Verb);
    std::unique_ptr<IInetTransfer> transfer = Inet->NewTransfer();
    bool sent = transfer->Send(request);
    Log(sent ? "HttpOpenRequest ok!" : "HttpOpenRequest failed!");
    if (Stop || !sent) return nullptr;
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
    if (Stop) return false;
    if (!length && FTBinaryData) return false;
    int status = transfer.StatusCode();
    if (status < 200 || status > 299) {
        Log("HTTP status " + std::to_string(status));
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
    while (!Stop) {
        uint32_t got = 0;
        if (!transfer.Read(block.data(), kBlockSize, got) || got == 0) break;
        if (file != nullptr) {
            if (!file->Write(block.data(), got)) break;
        } else {
            memory.append(block.data(), got);
        }
        BytesReaded += got;
        if (!Stop) PostProgress();
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
// lives and has not aborted the transfer.
void TSingleDownloaderThread::PostProgress() {
    auto call = [self = shared_from_this(), total = FTFileSize, done = BytesReaded](TSingleDownloader&) {
        if (!self->Stop && self->FTProgress) self->FTProgress(self.get(), total, done);
    };
    Ui->Post(TLifeline<TSingleDownloader>::WhileAlive(Owner, std::move(call)));
}

// ---- the component, on the user-interface thread ----

TSingleDownloader::TSingleDownloader(TComponent* aOwner, std::string name)
    : TComponent(aOwner, std::move(name), "TSingleDownloader") {}

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
    t->FTToFile = toFile;
    t->FHttpCharset = HttpCharset;
    t->FOnLog = OnLog;
    t->FTProgress = OnProgress;
    t->Owner = FAlive.Weak();
    TPlatform& platform = Platform();
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
        t->Ui->Post(done);
    });
    if (!started) t->Ui->Post(done); // no thread: the transfer failed
    if (WaitThread) {
        IMessagePump* pump = Platform().Pump;
        while (FThread && pump != nullptr)
            pump->ProcessMessages();
    }
}

void TSingleDownloader::ThreadDone(const std::shared_ptr<TSingleDownloaderThread>& thread) {
    if (!FThread || FThread != thread) return; // aborted, or another transfer's
    FThread.reset();
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
        FThread.reset();
    }
    FAbort = true;
}

void TSingleDownloader::SetPostValues(const TNameValueList& slValues) {
    std::string query;
    for (const std::string& line : slValues) {
        size_t eq = line.find('=');
        if (!query.empty()) query += "&";
        query +=
            line.substr(0, eq) + "=" + (eq == std::string::npos ? "" : UrlEncodeForm(line.substr(eq + 1)));
    }
    PostQuery = query;
}

void TSingleDownloader::SetUploadFiles(const TNameValueList& slValues, const TNameValueList& slFiles) {
    TFilePostGen gen;
    gen.Make(&slValues, &slFiles);
    ContentType = gen.Headers();
    PostQuery = gen.PostData();
}

// ---- multipart bodies ----

void TFilePostGen::Make(const TNameValueList* slValues, const TNameValueList* slFiles) {
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
            body += UrlEncodeForm(value) + "\r\n";
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
            body += Platform().Files->ReadFile(value).value_or("") + "\r\n";
        }
        body += "--" + boundary + "--\r\n";
    }
    FPostData = body;
    FHeaders = "Content-Type: multipart/form-data; boundary=" + boundary;
}

} // namespace maskaddr
