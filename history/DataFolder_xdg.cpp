#include "DataFolder.h"

#include <QDir>

namespace history {

QString UserDataFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // The XDG rules ignore a relative path here.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base;
}

} // namespace history
