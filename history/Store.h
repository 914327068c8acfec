#pragma once

#include "lookup/record/Record.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace history {

// One record as the store keeps it, under the store's own number.
struct Kept {
    qint64 id = 0;
    lookup::Record record;
};

// Which records a search or a count takes: all of them when nothing is set.
struct Filter {
    QString text; // in the identifier or in any field's, message's or page's text
    QDateTime since; // UTC, inclusive; invalid: no bound
    QDateTime until; // UTC, exclusive; invalid: no bound
    std::optional<lookup::Kind> kind;
};

// The filter, bounded to the records kept up to now. Pages of a search read
// one after another then stay put: a record kept in between would push them
// along by one, and a record would come twice.
inline Filter UpToNow(Filter filter)
{
    const QDateTime now = QDateTime::currentDateTimeUtc().addMSecs(1);
    if (!filter.until.isValid() || filter.until > now)
        filter.until = now;
    return filter;
}

// How a search orders what it finds: by a column, newest first by default.
struct Order {
    enum class Column { When, Input, Kind, Outcome, Program, Host };
    Column column = Column::When;
    bool descending = true;
};

// Where the history is kept: an SQLite file, or a PostgreSQL database named by
// a libpq connection string or service name (libpq's own ~/.pgpass and
// service file conventions give what is not written there).
struct Location {
    enum class Engine { Sqlite, Postgresql };
    Engine engine = Engine::Sqlite;
    QString name; // the file's path, or the connection string
    // How long a write waits for another program's write to the same SQLite
    // file before it fails (the record is then kept to be written later).
    int busyTimeoutMs = 5000;
};

// A lookup history: SQLite and PostgreSQL behind one interface. An object is
// used from one thread at a time (Qt's database connections are per thread).
// Each write is one transaction. An operation that fails returns nothing (or
// false) and says why in error(); the store stays usable, and the next
// operation tries again (a server back up, a lock released).
class Store {
public:
    virtual ~Store() = default;

    // Keeps a finished lookup's record. Fills in record.changed first (the
    // field keys whose text differs from the same identifier's last answered
    // record) and returns the number it is kept under.
    virtual std::optional<qint64> add(lookup::Record& record) = 0;
    // The identifier's newest record; with answeredOnly, its newest answered one.
    virtual std::optional<std::optional<lookup::Record>> last(
        const QString& input, bool answeredOnly)
        = 0;
    // Records the filter takes, in the given order, from offset on, at most limit.
    virtual std::optional<std::vector<Kept>> find(
        const Filter& filter, const Order& order, qint64 offset, qint64 limit)
        = 0;
    virtual std::optional<qint64> count(const Filter& filter) = 0;
    // Deletes an identifier's records, or all records older than a moment;
    // returns how many went.
    virtual std::optional<qint64> forget(const QString& input) = 0;
    virtual std::optional<qint64> forgetBefore(const QDateTime& before) = 0;
    // The identifiers with an answered record at or after a moment, each once
    // (what kestrune-cli --resume need not ask again).
    virtual std::optional<std::vector<QString>> answeredSince(const QDateTime& since) = 0;

    // Why the last operation failed, in words for the user.
    virtual QString error() const = 0;
};

// Opens (and on first use creates, or migrates forward) the store at a
// location. Nothing and a reason when it cannot: a file that is no history,
// a damaged one, one written by a newer version, a server that cannot be
// reached. Nothing is ever overwritten, truncated or deleted to open it.
std::unique_ptr<Store> Open(const Location& location, QString* why);

} // namespace history
