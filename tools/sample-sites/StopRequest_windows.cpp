#include "StopRequest.h"

#include <windows.h>

StopRequest::StopRequest() = default;

void StopRequest::wait()
{
    // Windows' own handling of Ctrl-C, Ctrl-Break and closing the console
    // ends the process; there is nothing to do until then.
    ::Sleep(INFINITE);
}
