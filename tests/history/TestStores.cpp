#include "TestStores.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

TestStores::TestStores()
    : stateFile_(qEnvironmentVariable("KESTRUNE_TEST_POSTGRESQL"))
{
    if (stateFile_.isEmpty())
        return;
    QFile state(stateFile_);
    if (!state.open(QIODevice::ReadOnly))
        qFatal("cannot read the cluster's state file %s", qPrintable(stateFile_));
    for (const QByteArray& line : state.readAll().split('\n')) {
        if (line.startsWith("connection="))
            connection_ = QString::fromUtf8(line.mid(11));
        else if (line.startsWith("admin="))
            admin_ = QString::fromUtf8(line.mid(6));
        else if (line.startsWith("pgpass="))
            qputenv("PGPASSFILE", line.mid(7));
    }
}

history::Location TestStores::fresh(QString* why)
{
    const int number = ++made_;
    if (!postgresql())
        return {history::Location::Engine::Sqlite,
            folder_.filePath(QStringLiteral("history-%1.sqlite").arg(number))};

    const QString name
        = QStringLiteral("test_%1_%2").arg(QCoreApplication::applicationPid()).arg(number);
    {
        QSqlDatabase admin
            = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        admin.setConnectOptions(admin_ + QStringLiteral(" dbname=postgres"));
        if (!admin.open()) {
            *why = admin.lastError().text();
        } else {
            // The desks' role owns it and is no superuser, as in the README.
            QSqlQuery create(admin);
            if (!create.exec(QStringLiteral("CREATE DATABASE %1 OWNER desk").arg(name)))
                *why = create.lastError().text();
        }
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return {history::Location::Engine::Postgresql,
        connection_ + QStringLiteral(" dbname=%1").arg(name)};
}
