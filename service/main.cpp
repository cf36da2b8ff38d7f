// maskaddr-service entry: reads the configuration file named on the command line (--port
// overrides its port), serves until SIGINT or SIGTERM arrives, then stops cleanly.
#include "service/Service.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>

int main(int argc, char** argv) {
    // maskaddr-service [--port N] CONFIG.ini
    int port = -1;
    bool usable = argc == 2;
    if (argc == 4 && std::string(argv[1]) == "--port") {
        char* end = nullptr;
        long p = std::strtol(argv[2], &end, 10);
        usable = *argv[2] != '\0' && *end == '\0' && p >= 0 && p <= 65535;
        port = static_cast<int>(p);
    }
    if (!usable) {
        std::cerr << "usage: maskaddr-service [--port N] CONFIG.ini\n";
        return 2;
    }
    const char* configPath = argv[argc - 1];
    maskaddr::service::TServiceConfig config;
    std::string error;
    if (!maskaddr::service::LoadServiceConfig(configPath, config, error)) {
        std::cerr << "maskaddr-service: " << error << "\n";
        return 2;
    }
    if (port >= 0) config.Port = port;
    // The signals are taken by sigwait below; every thread started later inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    maskaddr::service::TService service(config, std::cerr);
    if (!service.Start(error)) {
        std::cerr << "maskaddr-service: " << error << "\n";
        return 1;
    }
    int sig = 0;
    sigwait(&stopSignals, &sig);
    std::cerr << "maskaddr-service: stopping on signal " << sig << std::endl;
    service.Stop();
    return 0;
}
