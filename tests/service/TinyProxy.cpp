// A real tinyproxy for the service tests, in a temporary folder of its own.
#include "service/TinyProxy.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <signal.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <filesystem>

namespace maskaddr::test {
sockaddr_in SocketAddress(const std::string& ip, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    return a;
}

int FreePort(const std::string& ip) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = SocketAddress(ip, 0);
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        socklen_t len = sizeof a;
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    close(s);
    return port;
}

bool Accepts(const std::string& ip, int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = SocketAddress(ip, port);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

TTinyProxy::TTinyProxy(const std::string& listen, const std::string& bind, const std::string& extra) {
    char tmpl[] = "/tmp/maskaddr-service-proxy.XXXXXX";
    if (!mkdtemp(tmpl)) return;
    FDir = tmpl;
    for (int attempt = 0; attempt < 5 && FPid <= 0; ++attempt) {
        FPort = FreePort(listen);
        std::ofstream conf(FDir + "/tinyproxy.conf");
        conf << "Port " << FPort << "\nListen " << listen << "\n";
        if (!bind.empty()) conf << "Bind " << bind << "\n";
        conf << "Allow 127.0.0.0/8\nTimeout 10\nMaxClients 10\nLogFile \"" << FDir
             << "/tinyproxy.log\"\nLogLevel Connect\nDisableViaHeader Yes\n"
             << extra << "\n";
        conf.close();
        pid_t pid = fork();
        if (pid == 0) {
            std::string out = FDir + "/tinyproxy.out";
            if (!freopen(out.c_str(), "w", stdout) || !freopen(out.c_str(), "a", stderr)) _exit(126);
            execlp("tinyproxy", "tinyproxy", "-d", "-c", (FDir + "/tinyproxy.conf").c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (Accepts(listen, FPort)) {
                FPid = pid;
                break;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (FPid <= 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
}

TTinyProxy::~TTinyProxy() {
    if (FPid > 0) {
        kill(FPid, SIGTERM);
        waitpid(FPid, nullptr, 0);
    }
    if (!FDir.empty()) std::filesystem::remove_all(FDir);
}

std::string TTinyProxy::Log() const {
    std::ifstream in(FDir + "/tinyproxy.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace maskaddr::test
