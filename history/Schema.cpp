#include "Schema.h"

namespace history {

namespace {

// One record per lookup; lists and fields are JSON texts (Columns.h), the
// time milliseconds since 1970 UTC, so that both engines compare alike.
QString recordsTable(const QString& id)
{
    return QStringLiteral(
        "CREATE TABLE kestrune_records (id %1, at BIGINT NOT NULL, input TEXT NOT NULL, "
        "kind TEXT NOT NULL, outcome TEXT NOT NULL, program TEXT NOT NULL, host TEXT NOT NULL, "
        "fields TEXT NOT NULL, messages TEXT NOT NULL, opened TEXT NOT NULL, "
        "extras TEXT NOT NULL, changed TEXT NOT NULL, body TEXT NOT NULL)")
        .arg(id);
}

const QStringList CommonIndexes {
    // Newest first, the window's and a search's order.
    QStringLiteral("CREATE INDEX kestrune_records_at ON kestrune_records (at, id)"),
    // An identifier's last record, and sorting by identifier.
    QStringLiteral("CREATE INDEX kestrune_records_input ON kestrune_records (input, at, id)"),
    // --resume: the identifiers answered since a moment, from the index alone;
    // and sorting by outcome.
    QStringLiteral(
        "CREATE INDEX kestrune_records_outcome ON kestrune_records (outcome, at, input)"),
    // The history window's other sorts: without these its first rows wait
    // for a million records to be sorted (seconds).
    QStringLiteral("CREATE INDEX kestrune_records_kind ON kestrune_records (kind, at, id)"),
    QStringLiteral("CREATE INDEX kestrune_records_program ON kestrune_records (program, at, id)"),
    QStringLiteral("CREATE INDEX kestrune_records_host ON kestrune_records (host, at, id)"),
};

} // namespace

QStringList Dialect::stepTo(int to) const
{
    if (to != 1)
        return {};
    QStringList steps {
        QStringLiteral(
            "CREATE TABLE kestrune_meta (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL)"),
        QStringLiteral("INSERT INTO kestrune_meta (key, value) VALUES ('format', '%1')")
            .arg(SchemaFormat),
    };
    if (sqlite) {
        steps << recordsTable(QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"))
              << CommonIndexes
              // Any text of any record, found through its three-character
              // pieces. SQLite keeps the index in step with the table.
              << QStringLiteral(
                     "?CREATE VIRTUAL TABLE kestrune_text USING fts5(body, "
                     "content='kestrune_records', content_rowid='id', tokenize='trigram')")
              // The time of each record by its number: what a search
              // sorts the trigram index's finds by.
              << QStringLiteral("CREATE INDEX kestrune_records_times ON kestrune_records (id, at)")
              << QStringLiteral(
                     "?CREATE TRIGGER kestrune_text_add AFTER INSERT ON kestrune_records "
                     "BEGIN INSERT INTO kestrune_text (rowid, body) VALUES (new.id, new.body); END")
              << QStringLiteral(
                     "?CREATE TRIGGER kestrune_text_forget AFTER DELETE ON kestrune_records "
                     "BEGIN INSERT INTO kestrune_text (kestrune_text, rowid, body) "
                     "VALUES ('delete', old.id, old.body); END");
    } else {
        steps << recordsTable(QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY"))
              << CommonIndexes
              // pg_trgm is a trusted extension: a database's owner may add
              // it. Without it a search reads every record.
              << QStringLiteral("?CREATE EXTENSION IF NOT EXISTS pg_trgm")
              << QStringLiteral("?CREATE INDEX kestrune_records_body ON kestrune_records "
                                "USING gin (body gin_trgm_ops)");
    }
    return steps;
}

QString Dialect::beginWrite() const
{
    return sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
}

QString Dialect::lockIdentifier() const
{
    return sqlite ? QString() : QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))");
}

QString Dialect::tables() const
{
    return sqlite
        ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")
        : QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()");
}

} // namespace history
