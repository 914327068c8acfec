#pragma once

#include "lookup/record/Record.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace cli {

using lookup::Record;

enum class Format { Text, Json, Csv };

// The format a --format value names, or the message that says it names none.
std::optional<Format> FormatNamed(const QString& name, QString* error);

// The bytes that go to standard output, all UTF-8:
//   text  each identifier with the window's labels and boxes, a blank line after
//   json  one JSON object per identifier per line (JSON Lines)
//   csv   a byte-order mark and a header row first, then one row per
//         identifier, RFC 4180 (CRLF, double quotes where needed)
QByteArray OutputStart(Format format);
QByteArray OutputRecord(Format format, const Record& record);

} // namespace cli
