#pragma once

#include "Record.h"

#include <QByteArray>
#include <QString>

namespace lookup {

// What a terminal would take as a command (escape sequences, a carriage
// return, C1 controls such as CSI) or what would turn text around, shown as a
// replacement character: the text comes from files and from sites.
QString Printable(QString text);

// Records as spreadsheet-safe CSV, the same from every front end: RFC 4180
// (CRLF, double quotes where needed), UTF-8. CsvStart is a byte-order mark (so
// that a spreadsheet program on Chinese Windows takes the file as UTF-8) and
// the header row; CsvRow one record.
QByteArray CsvStart();
QByteArray CsvRow(const Record& record);
// The same for records of the history, each row beginning with when (local
// time, ISO 8601 with the offset), where (program, host) and the outcome.
QByteArray CsvHistoryStart();
QByteArray CsvHistoryRow(const Record& record);

} // namespace lookup
