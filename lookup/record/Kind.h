#pragma once

#include <QString>

#include <optional>

namespace lookup {

enum class Kind { Serial, Imei, Iccid, Invalid };

// By shape alone, as the window decides: 19 or 20 characters starting "89"
// is a SIM card's ICCID; otherwise 12 or 14 characters is a serial number
// and 15 an IMEI. The text is taken as written, blanks included.
Kind KindOf(const QString& identifier);

// The identifier as a front end without the window's own rules looks it up,
// tells its kind and reads it offline: blanks around it are no part of it,
// and an IMEI or ICCID written with the separators the offline reading
// accepts (blanks, "-", and "/" in an IMEI) is the same without them. Letters
// and digits alone stay exactly as they are.
QString Normalised(const QString& identifier);

// "serial", "imei", "iccid", "invalid": the names scripts see.
QString KindName(Kind kind);
// The kind of such a name; nothing for a name that is none of them.
std::optional<Kind> KindNamed(const QString& name);

} // namespace lookup
