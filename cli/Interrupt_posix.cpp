#include "Interrupt.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

int pipeEnds[2] = {-1, -1};

// All a signal handler may safely do: write a byte.
void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
}

} // namespace

Interrupt::Interrupt()
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(pipeEnds[0], &byte, 1) > 0) { }
        emit requested();
    });
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

Interrupt::~Interrupt()
{
    ::signal(SIGINT, SIG_DFL);
}

void Interrupt::keepOffThisThread()
{
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
}

} // namespace cli
