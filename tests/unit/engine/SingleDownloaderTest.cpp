// The download worker's ends that no reply announces: a transfer aborted while it reads, a
// component destroyed while its transfer's hand-overs wait in the queue, and a deadline that
// passes while the system's call still waits.
#include "framework/engine/SingleDownloader.h"
#include "fakes/FakePlatform.h"

#include <gtest/gtest.h>

using namespace maskaddr;
using namespace maskaddr::test;
using namespace std::chrono_literals;

TEST(SingleDownloaderTest, AbortedOrDestroyedTransfersRaiseNoEvent) {
    const std::string body(40000, 'n'); // three blocks
    struct TCase {
        const char* Name;
        bool AbortWhileReading; // else: destroyed after the transfer, before its hand-overs ran
        std::string FileAfter;
    };
    const TCase cases[] = {{"aborted while reading", true, "old"}, {"destroyed", false, body}};
    for (const TCase& c : cases) {
        TFakePlatform P;
        P.Files.Put("C:\\Cache\\DE.png", "old");
        P.Inet.SetReply("127.0.0.1:9/DE.PNG", {200, true, body});
        std::vector<std::string> events;
        auto d = std::make_unique<TSingleDownloader>(nullptr, P.Facilities);
        d->URL = "http://127.0.0.1:9/DE.PNG";
        d->FileName = "C:\\Cache\\DE.png";
        d->OnProgress = [&](void*, int64_t, int64_t) { events.push_back("progress"); };
        d->OnDoneFile = [&](TSingleDownloader*, const std::string&, int64_t) { events.push_back("done"); };
        d->OnError = [&](TSingleDownloader*) { events.push_back("error"); };
        if (c.AbortWhileReading) P.Inet.Hold();
        d->GetFile();
        if (c.AbortWhileReading) {
            ASSERT_TRUE(P.Inet.AwaitHeldRead()) << c.Name;
            d->Abort();
            EXPECT_FALSE(d->Busy()) << c.Name;
            P.Inet.Release();
        }
        ASSERT_TRUE(P.WorkersEnded()) << c.Name;
        d.reset();
        const size_t handedOver = P.Ui.Pump(SIZE_MAX, 0ms);
        // The hand-overs reach a component that is gone: the end, and after a whole transfer
        // also its three progress calls.
        EXPECT_EQ(handedOver, c.AbortWhileReading ? 1u : 4u) << c.Name;
        EXPECT_EQ(events, std::vector<std::string>{}) << c.Name;
        EXPECT_EQ(P.Files.Get("C:\\Cache\\DE.png"), c.FileAfter) << c.Name;
        EXPECT_EQ(P.Files.Files.size(), 1u) << c.Name << ": no temporary file is left";
    }
}

// A system call that outlasts the deadline (the fake's read is held past it): the transfer
// ends as failed at the deadline all the same, and when the call comes back at last the
// worker applies nothing, removes its temporary file and raises no further event.
TEST(SingleDownloaderTest, TheDeadlineEndsATransferWhoseReadStillWaits) {
    TFakePlatform P;
    P.Files.Put("C:\\Cache\\DE.png", "old");
    P.Inet.SetReply("127.0.0.1:9/DE.PNG", {200, true, "new picture"});
    std::vector<std::string> events;
    TSingleDownloader d(nullptr, P.Facilities);
    d.URL = "http://127.0.0.1:9/DE.PNG";
    d.FileName = "C:\\Cache\\DE.png";
    d.DeadlineMs = 300;
    d.OnProgress = [&](void*, int64_t, int64_t) { events.push_back("progress"); };
    d.OnDoneFile = [&](TSingleDownloader*, const std::string&, int64_t) { events.push_back("done"); };
    d.OnError = [&](TSingleDownloader*) { events.push_back("error"); };
    P.Inet.Hold();
    const auto start = std::chrono::steady_clock::now();
    d.GetFile();
    ASSERT_TRUE(P.Inet.AwaitHeldRead());
    EXPECT_EQ(P.Ui.Pump(1), 1u) << "the deadline's hand-over, while the read still waits";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(events, std::vector<std::string>{"error"});
    EXPECT_FALSE(d.Busy());

    P.Inet.Release();
    ASSERT_TRUE(P.WorkersEnded());
    P.Ui.Pump(SIZE_MAX, 0ms);
    EXPECT_EQ(events, std::vector<std::string>{"error"});
    EXPECT_EQ(P.Files.Get("C:\\Cache\\DE.png"), "old");
    EXPECT_EQ(P.Files.Files.size(), 1u) << "no temporary file is left";
}

// A reply longer than the cap fails, whether its length header says so (nothing is read) or
// it only turns out longer on the way (a text without a length): no event but the error, no
// file, no text.
TEST(SingleDownloaderTest, RepliesOverTheCapFail) {
    for (bool header : {true, false}) {
        SCOPED_TRACE(header ? "length header" : "no length header");
        TFakePlatform P;
        P.Files.Put("C:\\Cache\\DE.png", "old");
        P.Inet.SetReply("127.0.0.1:9/big", {200, header, std::string(40000, 'x')});
        std::vector<std::string> events;
        TSingleDownloader d(nullptr, P.Facilities);
        d.URL = "http://127.0.0.1:9/big";
        d.FileName = "C:\\Cache\\DE.png";
        d.MaxBytes = 20000;
        d.OnDoneFile = [&](TSingleDownloader*, const std::string&, int64_t) { events.push_back("done"); };
        d.OnDoneString = [&](TSingleDownloader*, const std::string&) { events.push_back("text"); };
        d.OnError = [&](TSingleDownloader*) { events.push_back("error"); };
        if (header)
            d.GetFile();
        else
            d.GetString();
        ASSERT_TRUE(P.WorkersEnded());
        P.Ui.Pump(SIZE_MAX, 0ms);
        EXPECT_EQ(events, std::vector<std::string>{"error"});
        EXPECT_EQ(P.Files.Get("C:\\Cache\\DE.png"), "old");
        EXPECT_EQ(P.Files.Files.size(), 1u) << "no temporary file is left";
    }
}
