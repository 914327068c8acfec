#pragma once

#include <QString>

namespace lookup {

// A value as it goes into a form body (application/x-www-form-urlencoded) or
// a query: ASCII letters, digits and "-._~" as they are, every other byte of
// its UTF-8 as "%XX". A serial number, IMEI or ICCID of letters and digits
// goes out unchanged; a "&", "=" or "+" typed into one can no longer start a
// field of its own or turn into a blank at the site.
QString FormValue(const QString& value);

} // namespace lookup
