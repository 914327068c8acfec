#pragma once

#include <QString>

namespace lookup {

// Asks the iOS version site which iOS version it knows for a device: its home
// page gives a session cookie and a form token, the form post of the serial
// number gives the version. The empty text when anything on the way fails;
// nothing is shown to the user and no window box is written.
QString LookupIosVersion(const QString& serial);

} // namespace lookup
