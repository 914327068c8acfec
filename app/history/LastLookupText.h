#pragma once

#include "lookup/record/Record.h"

#include <QString>

#include <optional>

// The words of the line that says when an identifier was looked up last and
// what has changed since, in the window's Chinese.
namespace lastlookup {

// As soon as an identifier is typed: its newest record, if any. `complete`:
// the text has an identifier's shape, so "no record" is worth saying.
QString Before(const std::optional<lookup::Record>& last, bool complete);

// When a lookup has ended and been kept: `now` (its changed fields filled in
// by the history) against the identifier's records before it.
QString After(const lookup::Record& now, const std::optional<lookup::Record>& previous,
    const std::optional<lookup::Record>& previousAnswered);

// Said once, when the history cannot be written.
QString NotKept(const QString& why);

// A record's moment in the user's local time, as the history window shows it.
QString When(const lookup::Record& record);

// The outcome in words, as the history window's column shows it.
QString OutcomeWords(lookup::Record::Outcome outcome);

// A field's label without its colon, for text that runs on.
QString FieldName(const QString& key);

} // namespace lastlookup
