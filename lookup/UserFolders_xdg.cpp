#include "UserFolders.h"

#include <QDir>

namespace lookup {

namespace {

QString xdgFolder(const char* variable, const QString& underHome)
{
    QString base = qEnvironmentVariable(variable);
    // The XDG rules ignore a relative path here.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + underHome;
    return base;
}

} // namespace

QString UserConfigFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString UserDataFolder()
{
    return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

} // namespace lookup
