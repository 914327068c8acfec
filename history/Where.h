#pragma once

#include "Store.h"

#include <QStringList>

#include <optional>

namespace history {

// Where this user's history is kept, from the first of:
//   KESTRUNE_HISTORY=off (or 0, false, no): not kept at all;
//   KESTRUNE_HISTORY_POSTGRESQL: a libpq connection string or "service=NAME";
//   KESTRUNE_HISTORY_FILE: another SQLite file;
//   the settings file's [history] group: keep=false, postgresql=..., file=...;
//   the SQLite file history.sqlite in the user's data folder, kestrune/.
// Nothing when it is turned off. What cannot be used (a password written in
// the settings file, a value that is not yes or no) is said in `warnings` and
// the next source taken.
// With evenWhenOff, where the history is (or was) kept though it is turned
// off: for searching and forgetting what it holds.
std::optional<Location> ConfiguredLocation(
    QStringList* warnings = nullptr, bool evenWhenOff = false);

// The default: <data folder>/kestrune/history.sqlite.
QString DefaultFile();

// Where a location is, in words for a message: the file, or the PostgreSQL
// database with any password left out.
QString Describe(const Location& location);

} // namespace history
