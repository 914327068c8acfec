#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

Progress::Progress(int total, bool wanted)
    : total_(total)
    , shown_(wanted && total > 1 && isatty(STDERR_FILENO))
{
    clock_.start();
    if (!shown_)
        return;
    connect(&tick_, &QTimer::timeout, this, &Progress::draw);
    tick_.start(250);
    draw();
}

void Progress::update(int done, int failed)
{
    done_ = done;
    failed_ = failed;
    if (shown_)
        draw();
}

void Progress::clear()
{
    if (!drawn_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void Progress::draw()
{
    const double seconds = double(clock_.elapsed()) / 1000.0;
    const double rate = seconds > 0 ? done_ / seconds : 0.0;
    std::fprintf(stderr, "\r\033[K%d/%d done, %d failed, %.1f s, %.1f/s", done_, total_, failed_,
        seconds, rate);
    std::fflush(stderr);
    drawn_ = true;
}

} // namespace cli
