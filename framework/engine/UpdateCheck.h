// The update check: the reply of the maker's update service (name=value lines that
// report a newer version and push settings, signed by the service), and TUpdateController,
// the logic of the update window, which requests the reply with its own download worker.
#pragma once

#include "base/DateTime.h"
#include "framework/engine/EngineParts.h"
#include "framework/engine/SingleDownloader.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace maskaddr {

class TCLSettings;

struct TUpdateReply {
    std::vector<std::pair<std::string, std::string>> Lines; // every line with "=", in order
    // The first line of that name (without regard to case).
    std::optional<std::string> Value(const std::string& name) const;
};
TUpdateReply ParseUpdateReply(const std::string& text);

// A reply as the service sends it: its bytes up to its last line, and that line's signature
// when the line is "signature=" with the base64 of 64 bytes (r then s of an ECDSA P-256
// signature over the SHA-256 of those bytes). The signed bytes end with the line break
// before the signature line; one line break may follow the signature.
struct TSignedReply {
    std::string Body;
    std::string Signature;
};
std::optional<TSignedReply> SplitSignedReply(const std::string& bytes);
// The signer's side of the same form: the bytes a signature covers (the reply, with CR LF
// added when it does not end with a line break), and those bytes with the signature line.
std::string SignableReply(std::string reply);
std::string WithSignatureLine(const std::string& signedBytes, const std::string& signature);
// "Update.AllowUnsigned" from the distributor file (oem.const.dat) alone: development
// against a service that does not sign.
bool UnsignedUpdatesAllowed(TCLSettings& settings);
// The text the program may act on: the signed part of the reply, decoded from the system
// code page, when its signature verifies with the update key compiled into the program and
// it is fresh ("issued=YYYY-MM-DDTHH:MM:SSZ" in UTC no more than 7 days before the clock,
// "serial=" no lower than the newest accepted); with unsigned replies allowed, the whole
// decoded reply; otherwise nullopt (traced with the reason).
std::optional<std::string> AcceptedUpdateText(const TPlatform& platform, TCLSettings& settings,
                                              const std::string& bytes);
// Keeps the reply's serial as "Update.Serial" when it is the newest accepted so far.
void RecordReplySerial(TCLSettings& settings, const TUpdateReply& reply);
// The magic word matches the setting "App.MagicWord" (without regard to case).
bool UpdateReplyAuthentic(TCLSettings& settings, const TUpdateReply& reply);
// Writes the "Banner." and "__MODIFY__." lines into the settings, in order. A "__MODIFY__."
// line may set only the pool's lists and keep-alive address, the service's page addresses
// ("URL." and a name) and the update check's schedule; names are compared after trimming,
// in any letter case. Every other line is refused with a trace line naming it.
void ApplyUpdateSettings(TCLSettings& settings, const TUpdateReply& reply);
// "Result": 1 newer version, 0 latest (also missing or not a number), else other.
int UpdateReplyResult(const TUpdateReply& reply);
// The automatic check runs when "Update.Days" whole days have passed since the last reply.
bool AutoUpdateDue(TCLSettings& settings, TDateTime now);
// An automatic check shows its result only when the user wants it and this is not the first run.
bool AutoUpdateShows(TCLSettings& settings);

// The update window as the logic sees it.
class IUpdateView {
public:
    virtual ~IUpdateView() = default;
    virtual bool IsVisible() = 0;
    virtual bool AutoCheckChecked() = 0;
    virtual void ShowProcessView() = 0;
    // Runs the window modally until it closes.
    virtual void RunModal() = 0;
    virtual void ShowModeless() = 0;
    // Queues ShowResult on the window's own message queue.
    virtual void PostShowResult() = 0;
    // The result view: the text, then OK and Cancel (withCancel) or the single Ok; shown
    // modeless when hidden.
    virtual void ShowResultView(const std::string& info, bool withCancel) = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;
    virtual void SetTimerLabel(const std::string& text) = 0;
    // Ends a modal run, or hides a modeless window.
    virtual void CloseWindow() = 0;
};

// What the update window asks of the engine: its texts, the check's address, the page a
// reply names, and the word that a reply was accepted into the settings.
class IUpdateEngine : public ILibTexts {
public:
    virtual std::string UpdateURL() = 0;
    virtual void ShowPageByURL(const std::string& url) = 0;
    virtual void UpdateAccepted() = 0;
};

class TUpdateController {
public:
    TUpdateController(IUpdateEngine& engine, const TPlatform& platform, TCLSettings& settings);
    void SetView(IUpdateView* view) { FView = view; }

    void StartUpdate(bool AShowModal, bool AShowConnecting, bool ADoUpdate, bool AProcess, bool AAutoClose);
    void sdDownloadDoneString(const std::string& strResult);
    void sdDownloadError();
    void ShowResult();
    void StartAutoClose();
    void tmrTimerTimer();
    void btnOKClick();
    void btnOK2Click();
    void btnCancelClick();
    void Escape();

    TSingleDownloader& Download() { return FDownload; }
    // What its window shows: the engine's texts, the program's files and the settings.
    std::string Lib(const std::string& key) { return FEngine.GetLibString(key); }
    IFileSystem& Files() { return *FPlatform.Files; }
    TCLSettings& Store() { return FSettings; }
    bool FUpdating = false;
    std::string FInfo, FURL;
    TDateTime FStartTime = 0;
    int FDelaySeconds = 5;
    bool FShowModal = false, FShowConnecting = false, FDoUpdate = false, FProcess = false, FAutoClose = false;

private:
    void SaveAutoCheck();
    IUpdateEngine& FEngine;
    TPlatform FPlatform;
    TCLSettings& FSettings;
    IUpdateView* FView = nullptr;
    TSingleDownloader FDownload;
};

} // namespace maskaddr
