#pragma once

#include "lookup/Form.h"

#include <QString>

namespace lookup {

// Looks a phone up by its IMEI at the IMEI check site and writes whether it was
// replaced, its model, activation, warranty and telephone support into
// T(1)..T(9) and its iOS version into T(10). Where the site gives nothing, the
// warranty-check service is asked instead (LookupSerial with the IMEI).
void LookupImei(Form& form, const QString& imei);

// The seven-digit key the site wants beside the IMEI: sums of fixed pairs of
// the IMEI's digits, last digit only. A character that is not an ASCII digit
// counts 0; the eleventh character never takes part.
QString ImeiRequestKey(const QString& imei);

} // namespace lookup
