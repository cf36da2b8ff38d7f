// The health rounds of the real maskaddr-service against fake proxies of the test's own, each
// on its own loopback address and a port the kernel picked free; and the real service binary
// stopped by a signal in the middle of a round.
#include "service/FakeProxy.h"
#include "service/ServiceFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>

using namespace maskaddr::service;
using namespace maskaddr::test;

namespace {

TEST_F(ServiceHttp, OnlyTheHonestProxyIsLiveAndNoneHoldsUpTheOthers) {
    struct TFake {
        const char* IP;
        TFakeKind Kind;
        const char* Reason; // in its log line
    };
    const TFake fakes[] = {
        {"127.0.0.11", TFakeKind::Dribbling, "dead: no whole answer within 2 s"},
        {"127.0.0.12", TFakeKind::Dribbling, "dead: no whole answer within 2 s"},
        {"127.0.0.13", TFakeKind::Dribbling, "dead: no whole answer within 2 s"},
        {"127.0.0.14", TFakeKind::Honest, "live in"},
        {"127.0.0.15", TFakeKind::Canned, "dead: not this round's check page"},
        {"127.0.0.16", TFakeKind::Echo, "dead: not this round's check page"},
        {"127.0.0.17", TFakeKind::Closing, "dead: closed before the whole head"},
        {"127.0.0.18", TFakeKind::Endless, "dead: an answer longer than 64 KB"},
        {"127.0.0.19", TFakeKind::Forwarding, "dead: it adds the forwarding header Via"},
    };
    TOpenCount open;
    std::vector<std::unique_ptr<TFakeProxy>> proxies;
    std::string inventory;
    for (const TFake& f : fakes) {
        proxies.push_back(std::make_unique<TFakeProxy>(f.IP, f.Kind, &open));
        ASSERT_GT(proxies.back()->Port(), 0) << f.IP;
        inventory += ProxyLine(f.IP, proxies.back()->Port());
    }
    Start(inventory, "1.2.0.0", [](TServiceConfig& c) {
        c.HealthTimeout = 2;
        c.HealthParallel = 3;
    });
    const std::vector<TInventoryProxy> live = FService->LiveProxies();
    ASSERT_EQ(live.size(), 1u) << LogText();
    EXPECT_EQ(live[0].IP, "127.0.0.14");
    for (size_t i = 0; i < proxies.size(); ++i) {
        const std::string line = "health " + std::string(fakes[i].IP) + ":" +
                                 std::to_string(proxies[i]->Port()) + " " + fakes[i].Reason;
        EXPECT_NE(LogText().find(line), std::string::npos) << line << "\n" << LogText();
    }
    // The three slow ones held every place together while the others waited for theirs.
    EXPECT_EQ(open.Peak(), 3);

    // Each round asks with a token of its own.
    FService->CheckHealthNow();
    const std::vector<std::string> heads = proxies[3]->Heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_NE(heads[0].find("&token="), std::string::npos) << heads[0];
    EXPECT_NE(heads[0].substr(0, heads[0].find(' ', 4)), heads[1].substr(0, heads[1].find(' ', 4)));
}

// The service binary in a folder of the test's own, its log in service.log there.
pid_t StartBinary(const std::string& dir, const std::string& inventory) {
    std::ofstream(dir + "/inventory.txt") << inventory;
    const std::string source = MASKADDR_SOURCE_DIR;
    std::ofstream(dir + "/service.ini")
        << "[service]\nListen=127.0.0.1\nPort=0\nMagicWord=w\n[update]\nSigningKey=" << source
        << "/keys/update-signing.dev.pem\nAllowDevelopmentKey=1\n[files]\nInventory=inventory.txt\nPages="
        << source << "/service/pages\nFlags=" << source << "/res/flag_short\n[state]\nDatabase=state.db\n"
        << "[health]\nInterval=3600\nTimeout=60\n[geo]\nDatabase=\n";
    const pid_t pid = fork();
    if (pid == 0) {
        const int log = open((dir + "/service.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(log, 2);
        execl(MASKADDR_SERVICE_BINARY, MASKADDR_SERVICE_BINARY, (dir + "/service.ini").c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

// SIGTERM and SIGINT end the service within 2 s, in the middle of a round whose proxy has a
// minute to answer.
TEST_F(ServiceHttp, AStopSignalEndsTheServiceInTheMiddleOfARound) {
    for (int signal : {SIGTERM, SIGINT}) {
        TFakeProxy slow("127.0.0.11", TFakeKind::Dribbling);
        ASSERT_GT(slow.Port(), 0);
        const pid_t pid = StartBinary(FDir, ProxyLine(slow.IP(), slow.Port()));
        ASSERT_GT(pid, 0);
        for (int i = 0; i < 400 && slow.Accepted() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        ASSERT_EQ(slow.Accepted(), 1) << "the round did not begin";
        kill(pid, signal);
        int status = -1;
        for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "signal " << signal << ": not ended in 2 s";
        std::ifstream log(FDir + "/service.log");
        const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("health round stopped with the service"), std::string::npos) << text;
    }
}

} // namespace
