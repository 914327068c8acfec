#pragma once

#include "Schema.h"
#include "Store.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

#include <map>
#include <memory>

namespace history {

// The store over a Qt SQL connection: the same statements for SQLite
// (QSQLITE) and PostgreSQL (QPSQL), the differences in the Dialect. The
// connection belongs to the thread that opened the store.
class SqlStore final : public Store {
public:
    // A connection of Qt's driver (QSQLITE, QPSQL), to be named (database())
    // before open(); `describe` names the database in messages.
    SqlStore(const QString& driver, Dialect dialect, QString describe);
    ~SqlStore() override;

    // Connects, checks that the database is a history this version can
    // write, and makes or migrates its tables. False, and error() says why,
    // when it cannot; nothing has been changed then.
    bool open();
    QSqlDatabase& database() { return database_; }

    std::optional<qint64> add(lookup::Record& record) override;
    std::optional<std::optional<lookup::Record>> last(
        const QString& input, bool answeredOnly) override;
    std::optional<std::vector<Kept>> find(
        const Filter& filter, const Order& order, qint64 offset, qint64 limit) override;
    std::optional<qint64> count(const Filter& filter) override;
    std::optional<qint64> forget(const QString& input) override;
    std::optional<qint64> forgetBefore(const QDateTime& before) override;
    std::optional<std::vector<QString>> answeredSince(const QDateTime& since) override;
    QString error() const override { return error_; }

private:
    struct Query;
    std::optional<Query> run(const QString& sql, const QVariantList& values = {});
    bool ready();
    bool fail(const QString& why);
    // The database's version: 0 for one without our tables; nothing when it
    // cannot be read, is no history or is newer than this one knows (error()
    // says which).
    std::optional<int> version();
    bool migrate();
    bool writeAheadLog();
    bool commitOrRollBack(bool ok);
    bool indexed(const QString& text) const;
    QString where(const Filter& filter, QVariantList& values) const;
    std::optional<std::optional<lookup::Record>> lastIn(const QString& input, bool answeredOnly);

    const QString connection_;
    QSqlDatabase database_;
    std::map<QString, std::unique_ptr<QSqlQuery>> prepared_; // by their SQL
    const Dialect dialect_;
    const QString describe_;
    QString error_;
    QString reason_; // the engine's own words for the last failure
    QString failedCode_; // and its code for it, where a statement failed
    bool fullText_ = false; // SQLite's trigram index is there
    bool broken_ = false; // reconnect before the next statement
};

} // namespace history
