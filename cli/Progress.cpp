#include "Progress.h"

#include "Log.h"
#include "Terminal.h"

#include <cstdio>

namespace cli {

Progress::Progress(bool wanted)
    : shown_(wanted && StandardErrorIsTerminal())
{
    clock_.start();
    if (!shown_)
        return;
    connect(&tick_, &QTimer::timeout, this, &Progress::draw);
    tick_.start(250);
    draw();
}

void Progress::update(int done, int failed, int read, bool inputEnded)
{
    done_ = done;
    failed_ = failed;
    read_ = read;
    inputEnded_ = inputEnded;
    if (shown_)
        draw();
}

Progress::~Progress() = default;

void Progress::clear()
{
    ClearProgressLine();
}

void Progress::draw()
{
    const double seconds = double(clock_.elapsed()) / 1000.0;
    std::fprintf(stderr, "\r\033[K%d/%d%s done, %d failed, %.1f s", done_, read_,
        inputEnded_ ? "" : "+", failed_, seconds);
    // Over the first milliseconds a single lookup reads as hundreds a second.
    if (seconds >= 1.0)
        std::fprintf(stderr, ", %.1f/s", done_ / seconds);
    std::fflush(stderr);
    SetProgressLineShown(true);
}

} // namespace cli
