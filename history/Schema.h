#pragma once

#include <QString>
#include <QStringList>

namespace history {

// What differs between SQLite and PostgreSQL, in SQL: the tables' first
// version, the steps from each version to the next, starting a write, and
// how a text is searched. Everything else is the same statements for both.
struct Dialect {
    bool sqlite = true;

    // The statements that make version `to` out of version `to - 1`
    // (version 0 is an empty database). Optional statements (a search
    // index the engine may lack) are marked by a leading '?'.
    QStringList stepTo(int to) const;
    // Starts a write that no other writer can interleave with: SQLite's
    // write lock at once, not at the first write, so that a busy file waits
    // the busy time-out here rather than failing a deadlock half-way.
    QString beginWrite() const;
    // Serialises writers of one identifier (PostgreSQL: an advisory lock for
    // the transaction), so that each sees the other's record for `changed`.
    // Empty where beginWrite already serialises every writer.
    QString lockIdentifier() const;
    // Tables the database has; the query's one column is the table's name.
    QString tables() const;
};

// The version this program writes; a database of a later one is refused.
constexpr int SchemaVersion = 1;

// What marks a database as a Kestrune history in its meta table.
inline const QString SchemaFormat = QStringLiteral("kestrune-history");

} // namespace history
