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

namespace {

const char* const Usage = "Usage: kestrune-sample-sites [PORT]\n"
                          "       kestrune-sample-sites --settings-file [PORT]\n"
                          "\n"
                          "Serves made-up answers in the manner of the sites Kestrune asks, on\n"
                          "127.0.0.1 (PORT 8765 unless given), and prints the environment that\n"
                          "points the programs at them; or prints a settings file that does, and\n"
                          "serves nothing.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    // Anything else that looks like an option is a mistake, not a port.
    if (argc > 1 && argv[1][0] == '-' && std::strcmp(argv[1], "--settings-file") != 0) {
        std::fprintf(stderr, "kestrune-sample-sites: unknown option \"%s\"\n%s", argv[1], Usage);
        return 2;
    }
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
