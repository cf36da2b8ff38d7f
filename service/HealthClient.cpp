// The health check's HTTP client: non-blocking sockets in one epoll set, a fixed number of
// slots, each exchange ended by its reply, its peer, its deadline or its size cap.
#include "service/HealthClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace maskaddr::service {
namespace {

using TClock = std::chrono::steady_clock;

// One exchange in flight.
struct TSlot {
    int Fd = -1;
    size_t Index = 0; // of the probe
    size_t Sent = 0;  // request bytes sent
    bool Connected = false;
    std::string Received;
    TClock::time_point Start, Deadline;
};

class TProbeRun {
public:
    TProbeRun(const std::vector<TProbe>& probes, const TProbeLimits& limits,
              const std::function<void(size_t, TProbeResult)>& done)
        : FProbes(probes), FLimits(limits), FDone(done),
          FSlots(static_cast<size_t>(std::max(1, limits.Parallel))), FEpoll(epoll_create1(EPOLL_CLOEXEC)) {
        for (size_t i = FSlots.size(); i-- > 0;)
            FFree.push_back(i);
    }
    ~TProbeRun() {
        for (TSlot& slot : FSlots)
            if (slot.Fd >= 0) close(slot.Fd);
        if (FEpoll >= 0) close(FEpoll);
    }
    TProbeRun(const TProbeRun&) = delete;
    TProbeRun& operator=(const TProbeRun&) = delete;

    bool Run(const std::function<bool()>& stopping) {
        epoll_event events[256];
        while (FNext < FProbes.size() || FFree.size() < FSlots.size()) {
            if (stopping()) return false;
            while (!FFree.empty() && FNext < FProbes.size()) {
                const size_t slot = FFree.back();
                FFree.pop_back();
                Open(slot, FNext++);
            }
            const int n = epoll_wait(FEpoll, events, 256, WaitMs());
            for (int i = 0; i < n; ++i)
                OnReady(events[i].data.u32, events[i].events);
            Expire();
        }
        return true;
    }

private:
    // Until the nearest deadline, at most 100 ms so that a stop is seen soon.
    int WaitMs() const {
        auto wait = std::chrono::milliseconds(100);
        const auto now = TClock::now();
        for (const TSlot& slot : FSlots)
            if (slot.Fd >= 0)
                wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(slot.Deadline - now));
        return static_cast<int>(std::max<long long>(0, wait.count()));
    }

    void Open(size_t number, size_t index) {
        TSlot& slot = FSlots[number];
        slot = TSlot{};
        slot.Index = index;
        slot.Start = TClock::now();
        slot.Deadline = slot.Start + FLimits.Timeout;
        const TProbe& probe = FProbes[index];
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(probe.Port);
        if (inet_pton(AF_INET, probe.IP.c_str(), &to.sin_addr) != 1)
            return Fail(number, "not an IPv4 address");
        slot.Fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (slot.Fd < 0) return Fail(number, std::string("no socket: ") + std::strerror(errno));
        if (connect(slot.Fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS)
            return Fail(number, std::string("cannot connect: ") + std::strerror(errno));
        epoll_event interest{};
        interest.events = EPOLLIN | EPOLLOUT;
        interest.data.u32 = static_cast<uint32_t>(number);
        if (epoll_ctl(FEpoll, EPOLL_CTL_ADD, slot.Fd, &interest) != 0)
            return Fail(number, std::string("cannot wait for the socket: ") + std::strerror(errno));
    }

    void OnReady(size_t number, uint32_t events) {
        TSlot& slot = FSlots[number];
        if (slot.Fd < 0) return;
        if (!slot.Connected) {
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(slot.Fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0) return Fail(number, std::string("cannot connect: ") + std::strerror(error));
            slot.Connected = true;
        }
        const std::string& request = FProbes[slot.Index].Request;
        if ((events & EPOLLOUT) && slot.Sent < request.size()) {
            const ssize_t n =
                send(slot.Fd, request.data() + slot.Sent, request.size() - slot.Sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN)
                return Fail(number, std::string("cannot send the request: ") + std::strerror(errno));
            slot.Sent += static_cast<size_t>(std::max<ssize_t>(0, n));
            epoll_event interest{};
            interest.events = slot.Sent < request.size() ? EPOLLIN | EPOLLOUT : EPOLLIN;
            interest.data.u32 = static_cast<uint32_t>(number);
            epoll_ctl(FEpoll, EPOLL_CTL_MOD, slot.Fd, &interest);
        }
        if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) Read(number);
    }

    // Everything there is to read now; the reply is judged once the socket is drained.
    void Read(size_t number) {
        TSlot& slot = FSlots[number];
        char buffer[16384];
        for (;;) {
            const ssize_t n = recv(slot.Fd, buffer, sizeof buffer, 0);
            if (n == 0) return Finish(number, ReadHttpReply(slot.Received, true));
            if (n < 0 && errno != EAGAIN)
                return Fail(number, std::string("the connection broke: ") + std::strerror(errno));
            if (n < 0) break;
            if (slot.Received.size() + static_cast<size_t>(n) > FLimits.MaxReply)
                return Fail(number,
                            "an answer longer than " + std::to_string(FLimits.MaxReply / 1024) + " KB");
            slot.Received.append(buffer, static_cast<size_t>(n));
        }
        THttpReply reply = ReadHttpReply(slot.Received, false);
        if (reply.State != THttpReply::Partial) Finish(number, std::move(reply));
    }

    void Expire() {
        const auto now = TClock::now();
        const long seconds = static_cast<long>(FLimits.Timeout.count() / 1000);
        for (size_t number = 0; number < FSlots.size(); ++number)
            if (FSlots[number].Fd >= 0 && now >= FSlots[number].Deadline)
                Fail(number, "no whole answer within " + std::to_string(seconds) + " s (" +
                                 std::to_string(FSlots[number].Received.size()) + " bytes came)");
    }

    void Fail(size_t number, std::string why) {
        THttpReply reply;
        reply.State = THttpReply::Broken;
        reply.Why = std::move(why);
        Finish(number, std::move(reply));
    }

    void Finish(size_t number, THttpReply reply) {
        TSlot& slot = FSlots[number];
        if (slot.Fd >= 0) close(slot.Fd); // which also takes it out of the epoll set
        slot.Fd = -1;
        std::string().swap(slot.Received);
        FFree.push_back(number);
        const long ms = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - slot.Start).count());
        FDone(slot.Index, TProbeResult{std::move(reply), ms});
    }

    const std::vector<TProbe>& FProbes;
    const TProbeLimits FLimits;
    const std::function<void(size_t, TProbeResult)>& FDone;
    std::vector<TSlot> FSlots;
    std::vector<size_t> FFree; // slot numbers
    int FEpoll = -1;
    size_t FNext = 0; // the next probe to start
};

} // namespace

bool RunProbes(const std::vector<TProbe>& probes, const TProbeLimits& limits,
               const std::function<void(size_t, TProbeResult)>& done, const std::function<bool()>& stopping) {
    TProbeRun run(probes, limits, done);
    return run.Run(stopping);
}

} // namespace maskaddr::service
