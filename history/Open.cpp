#include "SqlStore.h"
#include "Where.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>

namespace history {

namespace {

// Makes the file, and its folder, on first use: the folder for the owner
// alone (0700) where we make it, the file too (0600). A file already there
// is left as it is: it may be somebody's, and SQLite decides what it is.
bool prepareFile(const QString& path, QString* why)
{
    const QFileInfo file(path);
    if (file.exists()) {
        if (file.isFile())
            return true;
        *why = QStringLiteral("%1 is not a file; the history is not kept").arg(path);
        return false;
    }
    QDir folder = file.absoluteDir();
    if (!folder.exists()) {
        if (!QDir().mkpath(folder.absolutePath())) {
            *why = QStringLiteral("cannot make the folder %1 for the history")
                       .arg(folder.absolutePath());
            return false;
        }
        QFile::setPermissions(folder.absolutePath(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QFile made(path);
    // NewOnly: should another program make it meanwhile, theirs stands.
    if (!made.open(QIODevice::WriteOnly | QIODevice::NewOnly,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && !QFileInfo(path).isFile()) {
        *why = QStringLiteral("cannot make the history file %1: %2").arg(path, made.errorString());
        return false;
    }
    return true;
}

std::unique_ptr<Store> openSqlite(const Location& location, QString* why)
{
    if (!prepareFile(location.name, why))
        return nullptr;
    auto store
        = std::make_unique<SqlStore>(QStringLiteral("QSQLITE"), Dialect {true}, location.name);
    store->database().setDatabaseName(location.name);
    store->database().setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(0, location.busyTimeoutMs)));
    if (!store->open()) {
        *why = store->error();
        return nullptr;
    }
    return store;
}

std::unique_ptr<Store> openPostgresql(const Location& location, QString* why)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *why = QStringLiteral(
            "%1: this build of Kestrune助理 cannot reach PostgreSQL (Qt's PostgreSQL driver, "
            "QPSQL, "
            "is not there; the Windows build has none yet); the history is not kept")
                   .arg(Describe(location));
        return nullptr;
    }
    // Qt hands its connect options to libpq with each ';' made a blank, and
    // quotes a database name of its own: the connection string goes in
    // whole, as options, and must not hold a ';'.
    if (location.name.contains(QLatin1Char(';'))) {
        *why
            = QStringLiteral("%1: a ';' cannot be passed on to PostgreSQL; the history is not kept")
                  .arg(Describe(location));
        return nullptr;
    }
    if (location.name.contains(QLatin1String("://"))) {
        *why = QStringLiteral("%1: give the connection as key=value words (host=… dbname=…) or "
                              "service=NAME, not as an address; the history is not kept")
                   .arg(Describe(location));
        return nullptr;
    }
    auto store
        = std::make_unique<SqlStore>(QStringLiteral("QPSQL"), Dialect {false}, Describe(location));
    store->database().setConnectOptions(location.name);
    if (!store->open()) {
        *why = store->error();
        return nullptr;
    }
    return store;
}

} // namespace

std::unique_ptr<Store> Open(const Location& location, QString* why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    return location.engine == Location::Engine::Sqlite ? openSqlite(location, why)
                                                       : openPostgresql(location, why);
}

} // namespace history
