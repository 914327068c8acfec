#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

enum class Kind { Serial, Imei, Iccid, Invalid };

// By shape alone, as the window decides: 19 or 20 characters starting "89"
// is a SIM card's ICCID; otherwise 12 or 14 characters is a serial number
// and 15 an IMEI. The text is taken as written, blanks included.
Kind KindOf(const QString& identifier);

// "serial", "imei", "iccid", "invalid": the names scripts see.
QString KindName(Kind kind);

// The identifiers of a file, one a line: blank lines and lines starting "#"
// are skipped, the rest is taken as written except for a trailing carriage
// return (a file saved on Windows) and a byte-order mark before the first
// line. "-" reads standard input. Nothing when the file cannot be read.
std::optional<QStringList> ReadIdentifierFile(const QString& path);

// The same rules, for text already read.
QStringList IdentifierLines(const QByteArray& text);

} // namespace cli
