#pragma once

#include <QString>

#include <optional>

namespace lookup {

enum class Kind { Serial, Imei, Iccid, Invalid };

// By shape alone, as the window decides: 19 or 20 characters starting "89"
// is a SIM card's ICCID; otherwise 12 or 14 characters is a serial number
// and 15 an IMEI. The text is taken as written, blanks included.
Kind KindOf(const QString& identifier);

// "serial", "imei", "iccid", "invalid": the names scripts see.
QString KindName(Kind kind);
// The kind of such a name; nothing for a name that is none of them.
std::optional<Kind> KindNamed(const QString& name);

} // namespace lookup
