#include "Interrupt.h"

#include <atomic>

#include <windows.h>

namespace cli {

namespace {

std::atomic<Interrupt*> listener {nullptr};

// Windows calls this on a thread of its own. The first Ctrl-C (or
// Ctrl-Break) is handed to the main thread; after that the listener is gone,
// and Windows' own handling ends the program at the next one.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    Interrupt* interrupt = listener.exchange(nullptr);
    if (!interrupt)
        return FALSE;
    QMetaObject::invokeMethod(interrupt, &Interrupt::requested, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

Interrupt::Interrupt()
{
    listener = this;
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

Interrupt::~Interrupt()
{
    listener = nullptr;
    ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
}

void Interrupt::keepOffThisThread()
{
    // Nothing to do: no thread of the program's is ever interrupted by Ctrl-C.
}

} // namespace cli
