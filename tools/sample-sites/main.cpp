// Serves the sample sites on 127.0.0.1 and prints the environment that points
// the program at them:  kestrune-sample-sites [port]
#include "SampleSites.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : 8765;
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    // Block them before the server's threads start, so only sigwait sees them.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    loopback::Server server(samples::answer, port);
    std::printf("# Sample sites (made-up answers, not real data) on %s\n", server.base().c_str());
    for (const auto& [name, value] : samples::environment(server.base()))
        std::printf("export %s='%s'\n", name.c_str(), value.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    return 0;
}
