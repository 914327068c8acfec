#include "Where.h"

#include "lookup/SettingsFile.h"
#include "lookup/UserFolders.h"

#include <QRegularExpression>

namespace history {

namespace {

std::optional<bool> yesOrNo(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("off") || word == QLatin1String("0") || word == QLatin1String("false")
        || word == QLatin1String("no"))
        return false;
    if (word == QLatin1String("on") || word == QLatin1String("1") || word == QLatin1String("true")
        || word == QLatin1String("yes"))
        return true;
    return std::nullopt;
}

// libpq's keyword for a password, wherever it stands in a connection string.
bool holdsPassword(const QString& connection)
{
    static const QRegularExpression password(QStringLiteral("(^|\\s)password\\s*="));
    return connection.contains(password);
}

void warn(QStringList* warnings, const QString& text)
{
    if (warnings)
        warnings->append(text);
}

} // namespace

QString DefaultFile()
{
    return lookup::UserDataFolder() + QStringLiteral("/kestrune/history.sqlite");
}

std::optional<Location> ConfiguredLocation(QStringList* warnings, bool evenWhenOff)
{
    std::optional<bool> keep;
    if (qEnvironmentVariableIsSet("KESTRUNE_HISTORY")) {
        keep = yesOrNo(qEnvironmentVariable("KESTRUNE_HISTORY"));
        if (!keep)
            warn(warnings,
                QStringLiteral("KESTRUNE_HISTORY is \"%1\", neither on nor off: it is not used")
                    .arg(qEnvironmentVariable("KESTRUNE_HISTORY")));
    }
    if (!keep) {
        const QString setting
            = lookup::SettingsValue(QStringLiteral("history"), QStringLiteral("keep"));
        if (!setting.isEmpty()) {
            keep = yesOrNo(setting);
            if (!keep)
                warn(warnings,
                    QStringLiteral(
                        "[history] keep is \"%1\", neither true nor false: it is not used")
                        .arg(setting));
        }
    }
    if (keep == false && !evenWhenOff)
        return std::nullopt;

    const QString server = qEnvironmentVariable("KESTRUNE_HISTORY_POSTGRESQL").trimmed();
    if (!server.isEmpty())
        return Location {Location::Engine::Postgresql, server};
    const QString file = qEnvironmentVariable("KESTRUNE_HISTORY_FILE");
    if (!file.isEmpty())
        return Location {Location::Engine::Sqlite, file};

    const QString setServer
        = lookup::SettingsValue(QStringLiteral("history"), QStringLiteral("postgresql"));
    if (!setServer.isEmpty()) {
        // The settings file is often shared and copied about: the password
        // belongs in ~/.pgpass (or PGPASSFILE), which libpq reads itself.
        if (holdsPassword(setServer))
            warn(warnings,
                QStringLiteral("[history] postgresql holds a password: it is not used (put the "
                               "password in ~/.pgpass instead)"));
        else
            return Location {Location::Engine::Postgresql, setServer};
    }
    const QString setFile
        = lookup::SettingsValue(QStringLiteral("history"), QStringLiteral("file"));
    if (!setFile.isEmpty())
        return Location {Location::Engine::Sqlite, setFile};
    return Location {Location::Engine::Sqlite, DefaultFile()};
}

QString Describe(const Location& location)
{
    if (location.engine == Location::Engine::Sqlite)
        return location.name;
    QString shown = location.name;
    static const QRegularExpression password(
        QStringLiteral("(^|\\s)password\\s*=\\s*('([^'\\\\]|\\\\.)*'|\\S*)"));
    shown.replace(password, QStringLiteral("\\1password=…"));
    return QStringLiteral("PostgreSQL \"%1\"").arg(shown);
}

} // namespace history
