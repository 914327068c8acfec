#pragma once

#include "lookup/Form.h"

#include <QString>

namespace lookup {

// Looks a phone up by its serial number (or, for the IMEI lookup's fallback,
// its IMEI) at the warranty-check service and writes whether it was replaced,
// its model, activation, coverage and telephone support into T(1)..T(9) and
// its iOS version into T(10). Boxes it has nothing for keep their text.
void LookupSerial(Form& form, const QString& serial);

} // namespace lookup
