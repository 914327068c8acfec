#include "Terminal.h"

#include <unistd.h>

namespace cli {

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
    // They do already.
}

} // namespace cli
