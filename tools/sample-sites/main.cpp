// Serves the sample sites on 127.0.0.1 and prints the environment that points
// the program at them:  kestrune-sample-sites [port]
// Or prints a settings file that points both programs at sample sites served
// on that port, and serves nothing:  kestrune-sample-sites --settings-file [port]
#include "SampleSites.h"
#include "StopRequest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const bool settingsFile = argc > 1 && std::strcmp(argv[1], "--settings-file") == 0;
    const int portArgument = settingsFile ? 2 : 1;
    const int port = argc > portArgument ? std::atoi(argv[portArgument]) : 8765;
    if (settingsFile) {
        const std::string base = "http://127.0.0.1:" + std::to_string(port);
        std::fputs(samples::settingsFile(base).c_str(), stdout);
        return 0;
    }

    StopRequest stop;
    loopback::Server server(samples::answer, port);
    std::printf("# Sample sites (made-up answers, not real data) on %s\n", server.base().c_str());
    for (const auto& [name, value] : samples::environment(server.base()))
        std::printf("export %s='%s'\n", name.c_str(), value.c_str());
    std::fflush(stdout);

    stop.wait();
    return 0;
}
