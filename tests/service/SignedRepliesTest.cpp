// The dated, numbered and signed update replies: when they are signed again, with a clock of
// the test's own, the real development key and a real SQLite store counting the serials.
#include "service/SignedReplies.h"
#include "service/StateStore.h"

#include "base/Text.h"
#include "framework/engine/UpdateCheck.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

using namespace maskaddr::service;
using namespace std::chrono;

namespace {

const std::string kKeys = std::string(MASKADDR_SOURCE_DIR) + "/keys/update-signing.dev";

class SignedReplies : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        FStore = OpenStateStore("", error);
        ASSERT_TRUE(FStore) << error;
        FSigner = TUpdateSigner::FromPemFile(kKeys + ".pem", error);
        ASSERT_TRUE(FSigner) << error;
    }
    TSignedReplies Replies() {
        return TSignedReplies(
            *FSigner, [this] { return FStore->NextSerial(); }, [this] { return FNow.load(); });
    }

    std::unique_ptr<TStateStore> FStore;
    std::unique_ptr<TUpdateSigner> FSigner;
    std::atomic<system_clock::time_point> FNow{system_clock::from_time_t(1796864523)}; // 2026-12-10T01:02:03Z
};

TEST_F(SignedReplies, SignAgainOnlyForNewContentOrAnotherSecond) {
    const std::string head = "magicword=w\r\n";
    const std::string listed = "Result=0\r\n__MODIFY__.NORMAL_IPS=127.0.0.2:8888|Germany|DE|13.40|52.52\r\n";
    const std::string empty = "Result=0\r\n__MODIFY__.NORMAL_IPS=\r\n";
    const std::string older = "Result=1\r\ninfo=New\r\npage=\r\n__MODIFY__.NORMAL_IPS=\r\n";
    struct TStep {
        int Ms; // after 01:02:03
        const char* Kind;
        const std::string& Rest;
        uint64_t Serial;
        const char* Issued;
    };
    const TStep steps[] = {
        {0, "current", listed, 1, "2026-12-10T01:02:03Z"},
        {900, "current", listed, 1, "2026-12-10T01:02:03Z"}, // the same bytes again
        {950, "older", older, 2, "2026-12-10T01:02:03Z"},    // another kind signs on its own
        {990, "current", listed, 1, "2026-12-10T01:02:03Z"}, // and leaves the first alone
        {991, "current", empty, 3, "2026-12-10T01:02:03Z"},  // the list changed
        // The list back as it was: a new number, never the older bytes (a replay to the program).
        {992, "current", listed, 4, "2026-12-10T01:02:03Z"},
        {1000, "current", listed, 5, "2026-12-10T01:02:04Z"}, // the next second
        {1999, "older", older, 6, "2026-12-10T01:02:04Z"},
        {-1, "current", listed, 7, "2026-12-10T01:02:02Z"}, // the clock set back
    };
    const std::optional<std::string> publicKey = ReadP256PublicKey(kKeys + ".pub.pem");
    ASSERT_TRUE(publicKey);
    TSignedReplies replies = Replies();
    const system_clock::time_point start = FNow.load();
    std::map<std::string, std::pair<uint64_t, std::string>> last; // by kind: serial, bytes
    for (const TStep& s : steps) {
        SCOPED_TRACE(std::to_string(s.Ms) + " ms, " + s.Kind);
        FNow = start + milliseconds(s.Ms);
        const std::optional<std::string> bytes = replies.Serve(s.Kind, head + s.Rest);
        ASSERT_TRUE(bytes);
        const std::optional<maskaddr::TSignedReply> reply = maskaddr::SplitSignedReply(*bytes);
        ASSERT_TRUE(reply) << *bytes;
        EXPECT_EQ(reply->Body,
                  head + "issued=" + s.Issued + "\r\nserial=" + std::to_string(s.Serial) + "\r\n" + s.Rest);
        EXPECT_TRUE(VerifyEcdsaP256(*publicKey, reply->Body, reply->Signature));
        if (last.count(s.Kind) && last[s.Kind].first == s.Serial) {
            EXPECT_EQ(*bytes, last[s.Kind].second) << "the same serial, the same bytes";
        }
        last[s.Kind] = {s.Serial, *bytes};
    }
}

// A reply that cannot be numbered is not served, and nothing of it is kept.
TEST_F(SignedReplies, NoSerialNoReply) {
    bool storeDown = true;
    TSignedReplies replies(
        *FSigner,
        [&]() -> std::optional<uint64_t> { return storeDown ? std::nullopt : FStore->NextSerial(); },
        [this] { return FNow.load(); });
    EXPECT_FALSE(replies.Serve("current", "magicword=w\r\nResult=0\r\n"));
    storeDown = false;
    const std::optional<std::string> bytes = replies.Serve("current", "magicword=w\r\nResult=0\r\n");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(maskaddr::SplitLines(*bytes).at(2), "serial=1");
}

// Many threads asking within one second share one signature and take one serial number.
TEST_F(SignedReplies, ThreadsWithinOneSecondShareOneSignature) {
    TSignedReplies replies = Replies();
    std::vector<std::string> seen(4);
    std::vector<std::thread> threads;
    for (std::string& mine : seen)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                std::string bytes = replies.Serve("current", "magicword=w\r\nResult=0\r\n").value_or("");
                if (mine.empty()) mine = bytes;
                if (bytes != mine) mine = "differs";
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& bytes : seen)
        EXPECT_EQ(bytes, seen[0]);
    EXPECT_EQ(maskaddr::SplitLines(seen[0]).at(2), "serial=1");
    EXPECT_EQ(FStore->NextSerial(), 2u);
}

} // namespace
