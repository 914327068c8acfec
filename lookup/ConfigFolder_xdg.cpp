#include "ConfigFolder.h"

#include <QDir>

namespace lookup {

QString UserConfigFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative path here.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base;
}

} // namespace lookup
