#include "StandardOutput.h"

#include "Terminal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

std::optional<QString> WriteStandardOutput(const QByteArray& bytes)
{
    // Nothing written there reaches anyone; better said before the first lookup.
    if (StandardStreamWasClosed(1))
        return QStringLiteral("standard output is closed");
    errno = 0;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return std::nullopt;
    // With SIGPIPE ignored, a reader that has gone is EPIPE here.
    return QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
}

} // namespace cli
