#include "Terminal.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include <windows.h>

namespace cli {

namespace {

bool closedAtStart[3] = {};

bool isConsole(DWORD stream)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(stream), &mode) != 0;
}

} // namespace

bool StandardOutputIsTerminal()
{
    return isConsole(STD_OUTPUT_HANDLE);
}

bool StandardErrorIsTerminal()
{
    return isConsole(STD_ERROR_HANDLE);
}

void PrepareStandardStreams()
{
    // A process started without a standard stream (its handle closed or never
    // given) reads and writes the null device in its place, and knows it.
    FILE* const streams[3] = {stdin, stdout, stderr};
    for (int stream = 0; stream < 3; ++stream) {
        const intptr_t handle = _get_osfhandle(stream);
        if (handle != -1 && handle != -2)
            continue;
        closedAtStart[stream] = true;
        _wfreopen(L"NUL", stream == 0 ? L"rb" : L"wb", streams[stream]);
    }
    // Binary: a CSV row's "\r\n" and a JSON line's "\n" go out as written, and
    // a line read keeps its carriage return for the reader to take off.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The console shows UTF-8 as text, and the progress line's "\r\033[K"
    // redraws it as it does in a terminal elsewhere.
    ::SetConsoleOutputCP(CP_UTF8);
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (::GetConsoleMode(error, &mode))
        ::SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool StandardStreamWasClosed(int stream)
{
    return stream >= 0 && stream < 3 && closedAtStart[stream];
}

} // namespace cli
