#pragma once

#include "lookup/Form.h"

#include <QString>

namespace lookup {

// Asks the iOS version site which iOS version it knows for a device: its home
// page gives a session cookie and a form token, the form post of the serial
// number gives the version. The empty text when anything on the way fails;
// nothing is shown to the user and no window box is written.
QString LookupIosVersion(const QString& serial);
// The same, and tells the form when a request got no answer
// (Request::IosVersion); still nothing is shown.
QString LookupIosVersion(Form& form, const QString& serial);

} // namespace lookup
