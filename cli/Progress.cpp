#include "Progress.h"

#include "Terminal.h"

#include <atomic>
#include <cstdio>

namespace cli {

namespace {

// Whether the progress line stands unfinished on the terminal. Lookups log
// on their own threads (a failed transfer, say): such a line takes the
// progress line's place instead of being glued to its end.
std::atomic_bool lineShown {false};

void logOverProgress(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
    std::fprintf(stderr, "%s%s\n", lineShown.exchange(false) ? "\r\033[K" : "", line.constData());
    std::fflush(stderr);
}

} // namespace

Progress::Progress(bool wanted)
    : shown_(wanted && StandardErrorIsTerminal())
{
    clock_.start();
    if (!shown_)
        return;
    qInstallMessageHandler(logOverProgress);
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

Progress::~Progress()
{
    if (shown_)
        qInstallMessageHandler(nullptr);
}

void Progress::clear()
{
    if (!lineShown.exchange(false))
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
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
    lineShown = true;
}

} // namespace cli
