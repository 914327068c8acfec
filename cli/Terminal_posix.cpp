#include "Terminal.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

std::array<bool, 3> closedAtStart {};

} // namespace

bool StandardOutputIsTerminal()
{
    return isatty(STDOUT_FILENO);
}

bool StandardErrorIsTerminal()
{
    return isatty(STDERR_FILENO);
}

void PrepareStandardStreams()
{
    // The encoding and line ends are right already. A closed descriptor is
    // taken by the lowest one opened next: opened in order, each lands on its
    // own number.
    for (int stream = 0; stream < 3; ++stream) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        closedAtStart[size_t(stream)] = true;
        const int opened = ::open("/dev/null", stream == 0 ? O_RDONLY : O_WRONLY);
        if (opened != stream && opened >= 0)
            ::close(opened);
    }
}

bool StandardStreamWasClosed(int stream)
{
    return stream >= 0 && stream < 3 && closedAtStart[size_t(stream)];
}

} // namespace cli
