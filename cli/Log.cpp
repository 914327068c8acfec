#include "Log.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdio>

namespace cli {

namespace {

std::atomic_bool lineShown {false};
std::atomic_bool quietLog {false};

void log(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // A fatal message still ends the program, quiet or not.
    if (quietLog && type != QtFatalMsg)
        return;
    ClearProgressLine();
    Say(message);
}

} // namespace

void Say(const QString& text)
{
    std::fprintf(stderr, "kestrune-cli: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

void LogAsTheProgram(bool quiet)
{
    quietLog = quiet;
    qInstallMessageHandler(log);
}

void SetProgressLineShown(bool shown)
{
    lineShown = shown;
}

bool ClearProgressLine()
{
    if (!lineShown.exchange(false))
        return false;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    return true;
}

} // namespace cli
