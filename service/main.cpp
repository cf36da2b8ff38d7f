// maskaddr-service entry: reads the configuration file named on the command line, serves
// until SIGINT or SIGTERM arrives, then stops cleanly.
#include "service/Service.h"

#include <csignal>
#include <iostream>
#include <pthread.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: maskaddr-service CONFIG.ini\n";
        return 2;
    }
    maskaddr::service::TServiceConfig config;
    std::string error;
    if (!maskaddr::service::LoadServiceConfig(argv[1], config, error)) {
        std::cerr << "maskaddr-service: " << error << "\n";
        return 2;
    }
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
