#include "SqlStore.h"

#include "Columns.h"

#include <QAtomicInteger>
#include <QDeadlineTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace history {

using lookup::Record;

namespace {

const QString RecordColumns = QStringLiteral(
    "id, at, input, kind, outcome, program, host, fields, messages, opened, extras, changed");

Kept keptFrom(const QSqlQuery& query)
{
    Columns columns;
    columns.at = query.value(1).toLongLong();
    columns.input = query.value(2).toString();
    columns.kind = query.value(3).toString();
    columns.outcome = query.value(4).toString();
    columns.program = query.value(5).toString();
    columns.host = query.value(6).toString();
    columns.fields = query.value(7).toString();
    columns.messages = query.value(8).toString();
    columns.opened = query.value(9).toString();
    columns.extras = query.value(10).toString();
    columns.changed = query.value(11).toString();
    return {query.value(0).toLongLong(), FromColumns(columns)};
}

QString columnName(Order::Column column)
{
    switch (column) {
    case Order::Column::When: break;
    case Order::Column::Input: return QStringLiteral("input");
    case Order::Column::Kind: return QStringLiteral("kind");
    case Order::Column::Outcome: return QStringLiteral("outcome");
    case Order::Column::Program: return QStringLiteral("program");
    case Order::Column::Host: return QStringLiteral("host");
    }
    return QStringLiteral("at");
}

// A LIKE pattern that finds the text as it stands: its own % and _ are no
// wildcards.
QString containing(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

constexpr int TrigramLength = 3;

int characters(const QString& text)
{
    return int(text.toUcs4().size());
}

// A phrase of the trigram index: the text anywhere, in any case.
QString phrase(QString text)
{
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

// A statement that ran, its rows still to be read. Done with, it lets go
// of its rows (and of SQLite's read snapshot), and its prepared statement
// stays for the next run.
struct SqlStore::Query {
    QSqlQuery* query; // the prepared one kept by the store, or `owned`
    std::unique_ptr<QSqlQuery> owned;

    explicit Query(QSqlQuery* prepared)
        : query(prepared)
    {
    }
    explicit Query(std::unique_ptr<QSqlQuery> once)
        : query(once.get())
        , owned(std::move(once))
    {
    }
    Query(Query&& other) noexcept
        : query(std::exchange(other.query, nullptr))
        , owned(std::move(other.owned))
    {
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    Query& operator=(Query&&) = delete;
    ~Query()
    {
        if (query)
            query->finish();
    }
};

namespace {

// Each store has a connection of its own, under a name no other has.
QString newConnectionName()
{
    static QAtomicInteger<quint64> made = 0;
    return QStringLiteral("kestrune-history-%1").arg(made.fetchAndAddRelaxed(1));
}

} // namespace

SqlStore::SqlStore(const QString& driver, Dialect dialect, QString describe)
    : connection_(newConnectionName())
    , database_(QSqlDatabase::addDatabase(driver, connection_))
    , dialect_(dialect)
    , describe_(std::move(describe))
{
}

SqlStore::~SqlStore()
{
    prepared_.clear();
    database_.close();
    database_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

bool SqlStore::fail(const QString& why)
{
    reason_ = why;
    error_ = QStringLiteral("%1: %2").arg(describe_, why);
    // A server that went away, or restarted, leaves a connection that will
    // not work again: the next operation connects anew.
    if (!dialect_.sqlite)
        broken_ = true;
    return false;
}

bool SqlStore::ready()
{
    if (!broken_ && database_.isOpen())
        return true;
    prepared_.clear();
    database_.close();
    if (!database_.open())
        return fail(database_.lastError().text());
    broken_ = false;
    return true;
}

std::optional<SqlStore::Query> SqlStore::run(const QString& sql, const QVariantList& values)
{
    if (!ready())
        return std::nullopt;
    // PostgreSQL prepares no BEGIN, COMMIT or SAVEPOINT: what has nothing to
    // bind runs as it is.
    if (values.isEmpty()) {
        Query run {std::make_unique<QSqlQuery>(database_)};
        run.query->setForwardOnly(true);
        if (!run.query->exec(sql)) {
            failedCode_ = run.query->lastError().nativeErrorCode();
            fail(run.query->lastError().text());
            return std::nullopt;
        }
        return run;
    }
    // Each statement is prepared once per connection: the lookups of a
    // --resume and a batch's records run the same few again and again.
    auto prepared = prepared_.find(sql);
    if (prepared == prepared_.end()) {
        auto query = std::make_unique<QSqlQuery>(database_);
        query->setForwardOnly(true);
        if (!query->prepare(sql)) {
            fail(query->lastError().text());
            return std::nullopt;
        }
        prepared = prepared_.emplace(sql, std::move(query)).first;
    }
    Query run {prepared->second.get()};
    for (qsizetype i = 0; i < values.size(); ++i)
        run.query->bindValue(int(i), values[i]);
    if (!run.query->exec()) {
        failedCode_ = run.query->lastError().nativeErrorCode();
        fail(run.query->lastError().text());
        return std::nullopt;
    }
    return run;
}

bool SqlStore::commitOrRollBack(bool ok)
{
    if (ok && run(QStringLiteral("COMMIT")))
        return true;
    const QString why = error_;
    // A connection that broke has lost its transaction with it.
    if (!broken_)
        run(QStringLiteral("ROLLBACK"));
    error_ = why;
    return false;
}

std::optional<int> SqlStore::version()
{
    auto tables = run(dialect_.tables());
    if (!tables) {
        error_
            = QStringLiteral("%1 is no history database, or is damaged (%2); it is left as it is")
                  .arg(describe_, reason_);
        return std::nullopt;
    }
    QStringList names;
    while (tables->query->next())
        names << tables->query->value(0).toString();
    if (!names.contains(QLatin1String("kestrune_meta"))) {
        // A PostgreSQL database may hold a shop's other tables; an SQLite
        // file is ours alone.
        if (dialect_.sqlite && !names.isEmpty()) {
            error_ = QStringLiteral("%1 is another program's database, not a Kestrune助理 history; "
                                    "it is left as it is")
                         .arg(describe_);
            return std::nullopt;
        }
        return 0;
    }
    auto meta = run(QStringLiteral("SELECT key, value FROM kestrune_meta"));
    if (!meta)
        return std::nullopt;
    QString format;
    int version = 0;
    while (meta->query->next()) {
        const QString key = meta->query->value(0).toString();
        if (key == QLatin1String("format"))
            format = meta->query->value(1).toString();
        else if (key == QLatin1String("version"))
            version = meta->query->value(1).toString().toInt();
    }
    if (format != SchemaFormat || version < 1) {
        error_ = QStringLiteral("%1 is no Kestrune助理 history, or is damaged (its version is not "
                                "written); it is left as it is")
                     .arg(describe_);
        return std::nullopt;
    }
    if (version > SchemaVersion) {
        error_ = QStringLiteral(
            "%1 was written by a newer version of Kestrune助理 (history version %2; this one "
            "knows up to %3); it is left as it is")
                     .arg(describe_)
                     .arg(version)
                     .arg(SchemaVersion);
        return std::nullopt;
    }
    return version;
}

bool SqlStore::migrate()
{
    // Under the write lock, so that two programs opening a new file at once
    // do not both make its tables: the second finds them made.
    if (!run(dialect_.beginWrite()))
        return false;
    if (!dialect_.sqlite && !run(QStringLiteral("SELECT pg_advisory_xact_lock(1264795468)")))
        return commitOrRollBack(false);
    const auto from = version();
    if (!from)
        return commitOrRollBack(false);
    for (int to = *from + 1; to <= SchemaVersion; ++to) {
        for (QString statement : dialect_.stepTo(to)) {
            const bool optional = statement.startsWith(QLatin1Char('?'));
            if (!optional) {
                if (!run(statement))
                    return commitOrRollBack(false);
                continue;
            }
            // An index the engine cannot make (no FTS5, no pg_trgm) makes
            // searching slower, not impossible.
            statement.remove(0, 1);
            if (!run(QStringLiteral("SAVEPOINT optional")))
                return commitOrRollBack(false);
            if (!run(statement) && !run(QStringLiteral("ROLLBACK TO SAVEPOINT optional")))
                return commitOrRollBack(false);
            if (!run(QStringLiteral("RELEASE SAVEPOINT optional")))
                return commitOrRollBack(false);
        }
    }
    if (*from < SchemaVersion) {
        const bool versionWritten = *from == 0
            ? bool(
                run(QStringLiteral("INSERT INTO kestrune_meta (key, value) VALUES ('version', ?)"),
                    {QString::number(SchemaVersion)}))
            : bool(run(QStringLiteral("UPDATE kestrune_meta SET value = ? WHERE key = 'version'"),
                {QString::number(SchemaVersion)}));
        if (!versionWritten)
            return commitOrRollBack(false);
    }
    return commitOrRollBack(true);
}

// Switching a file to WAL takes it for a moment alone, and SQLite does not
// wait for that as it waits for a write: two programs that open a new
// history at once would find it locked. The switch is tried again within the
// busy time-out, as a write would wait.
bool SqlStore::writeAheadLog()
{
    auto timeout = run(QStringLiteral("PRAGMA busy_timeout"));
    const int waitMs = timeout && timeout->query->next() ? timeout->query->value(0).toInt() : 0;
    timeout.reset();
    const QDeadlineTimer deadline(waitMs);
    while (!run(QStringLiteral("PRAGMA journal_mode=WAL"))) {
        if (failedCode_ != QLatin1String("5") || deadline.hasExpired()) // SQLITE_BUSY
            return false;
        QThread::msleep(5);
    }
    return true;
}

bool SqlStore::open()
{
    if (!database_.open())
        return fail(database_.lastError().text());
    // Read first, without writing anything: a file that is no history, or
    // a newer one, must be left exactly as it is.
    const auto found = version();
    if (!found)
        return false;
    if (dialect_.sqlite) {
        // Readers never wait for a writer, and the window and a batch write
        // to one file at once. NORMAL: a commit survives the program killed;
        // only a power cut may take the last ones back.
        if (!writeAheadLog() || !run(QStringLiteral("PRAGMA synchronous=NORMAL")))
            return false;
    }
    if (*found < SchemaVersion && !migrate())
        return false;
    if (dialect_.sqlite) {
        // The trigram index and the index of times a search sorts its finds by.
        auto text = run(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                       "name IN ('kestrune_text', 'kestrune_records_times')"));
        fullText_ = text && text->query->next() && text->query->value(0).toInt() == 2;
    }
    error_.clear();
    return true;
}

std::optional<std::optional<Record>> SqlStore::lastIn(const QString& input, bool answeredOnly)
{
    auto query = run(QStringLiteral("SELECT %1 FROM kestrune_records WHERE input = ? %2 "
                                    "ORDER BY at DESC, id DESC LIMIT 1")
                         .arg(RecordColumns,
                             answeredOnly ? QStringLiteral("AND outcome = 'answered'") : QString()),
        {input});
    if (!query)
        return std::nullopt;
    if (!query->query->next())
        return std::optional<Record>();
    return std::optional<Record>(keptFrom(*query->query).record);
}

std::optional<qint64> SqlStore::add(Record& record)
{
    if (!record.when.isValid())
        record.when = QDateTime::currentDateTimeUtc();
    if (!run(dialect_.beginWrite()))
        return std::nullopt;
    if (!dialect_.lockIdentifier().isEmpty() && !run(dialect_.lockIdentifier(), {record.input})) {
        commitOrRollBack(false);
        return std::nullopt;
    }
    record.changed.clear();
    if (record.outcome() == Record::Outcome::Answered) {
        const auto previous = lastIn(record.input, true);
        if (!previous) {
            commitOrRollBack(false);
            return std::nullopt;
        }
        if (*previous)
            record.changed = ChangedFields(**previous, record);
    }
    const Columns columns = ToColumns(record);
    auto inserted = run(
        QStringLiteral("INSERT INTO kestrune_records (at, input, kind, outcome, program, host, "
                       "fields, messages, opened, extras, changed, body) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
        {columns.at, columns.input, columns.kind, columns.outcome, columns.program, columns.host,
            columns.fields, columns.messages, columns.opened, columns.extras, columns.changed,
            columns.body});
    if (!inserted || !inserted->query->next()) {
        commitOrRollBack(false);
        return std::nullopt;
    }
    const qint64 id = inserted->query->value(0).toLongLong();
    inserted.reset();
    if (!commitOrRollBack(true))
        return std::nullopt;
    return id;
}

std::optional<std::optional<Record>> SqlStore::last(const QString& input, bool answeredOnly)
{
    return lastIn(input, answeredOnly);
}

// The trigram index finds texts of three characters or more.
bool SqlStore::indexed(const QString& text) const
{
    return fullText_ && characters(text) >= TrigramLength;
}

QString SqlStore::where(const Filter& filter, QVariantList& values) const
{
    QStringList conditions;
    if (!filter.text.isEmpty()) {
        if (indexed(filter.text)) {
            conditions << QStringLiteral(
                "id IN (SELECT rowid FROM kestrune_text WHERE kestrune_text MATCH ?)");
            values << phrase(filter.text);
        } else {
            conditions << (dialect_.sqlite ? QStringLiteral("body LIKE ? ESCAPE '\\'")
                                           : QStringLiteral("body ILIKE ? ESCAPE '\\'"));
            values << containing(filter.text);
        }
    }
    if (filter.since.isValid()) {
        conditions << QStringLiteral("at >= ?");
        values << filter.since.toMSecsSinceEpoch();
    }
    if (filter.until.isValid()) {
        conditions << QStringLiteral("at < ?");
        values << filter.until.toMSecsSinceEpoch();
    }
    if (filter.kind) {
        conditions << QStringLiteral("kind = ?");
        values << KindName(*filter.kind);
    }
    return conditions.isEmpty()
        ? QString()
        : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

std::optional<std::vector<Kept>> SqlStore::find(
    const Filter& filter, const Order& order, qint64 offset, qint64 limit)
{
    QVariantList values;
    const QString taken = where(filter, values);
    const QString direction = order.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    QString sorting = QStringLiteral("at") + direction + QStringLiteral(", id") + direction;
    if (order.column != Order::Column::When)
        sorting.prepend(columnName(order.column) + direction + QStringLiteral(", "));
    // What the trigram index finds (many thousands, for a common text) is
    // put in order by time from a small index of times alone, rather than
    // from the records themselves; only the page's own records are read.
    const bool byTimesAlone
        = indexed(filter.text) && order.column == Order::Column::When && !filter.kind;
    const QString sql = byTimesAlone
        ? QStringLiteral("SELECT %1 FROM kestrune_records WHERE id IN (SELECT id FROM "
                         "kestrune_records INDEXED BY kestrune_records_times%2 ORDER BY %3 "
                         "LIMIT ? OFFSET ?) ORDER BY %3")
              .arg(RecordColumns, taken, sorting)
        : QStringLiteral("SELECT %1 FROM kestrune_records%2 ORDER BY %3 LIMIT ? OFFSET ?")
              .arg(RecordColumns, taken, sorting);
    values << qMax<qint64>(0, limit) << qMax<qint64>(0, offset);
    auto query = run(sql, values);
    if (!query)
        return std::nullopt;
    std::vector<Kept> found;
    while (query->query->next())
        found.push_back(keptFrom(*query->query));
    return found;
}

std::optional<qint64> SqlStore::count(const Filter& filter)
{
    QVariantList values;
    // A text alone is counted by the trigram index without reading a single
    // record: a tenth of the time for a text in many of a million records.
    const bool textAlone = indexed(filter.text) && !filter.since.isValid()
        && !filter.until.isValid() && !filter.kind;
    const QString sql = textAlone
        ? QStringLiteral("SELECT count(*) FROM kestrune_text WHERE kestrune_text MATCH ?")
        : QStringLiteral("SELECT count(*) FROM kestrune_records") + where(filter, values);
    if (textAlone)
        values << phrase(filter.text);
    auto query = run(sql, values);
    if (!query || !query->query->next())
        return std::nullopt;
    return query->query->value(0).toLongLong();
}

std::optional<qint64> SqlStore::forget(const QString& input)
{
    auto query = run(QStringLiteral("DELETE FROM kestrune_records WHERE input = ?"), {input});
    if (!query)
        return std::nullopt;
    return query->query->numRowsAffected();
}

std::optional<qint64> SqlStore::forgetBefore(const QDateTime& before)
{
    auto query = run(
        QStringLiteral("DELETE FROM kestrune_records WHERE at < ?"), {before.toMSecsSinceEpoch()});
    if (!query)
        return std::nullopt;
    return query->query->numRowsAffected();
}

std::optional<std::vector<QString>> SqlStore::answeredSince(const QDateTime& since)
{
    auto query = run(QStringLiteral("SELECT DISTINCT input FROM kestrune_records "
                                    "WHERE outcome = 'answered' AND at >= ?"),
        {since.toMSecsSinceEpoch()});
    if (!query)
        return std::nullopt;
    std::vector<QString> inputs;
    while (query->query->next())
        inputs.push_back(query->query->value(0).toString());
    return inputs;
}

} // namespace history
