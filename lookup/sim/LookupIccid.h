#pragma once

#include "lookup/Form.h"

#include <QString>

namespace lookup {

// Looks a SIM card up by its ICCID at the ICCID site and writes its carrier,
// part of its phone number, its age and its home region into T1(1)..T1(4).
void LookupIccid(Form& form, const QString& iccid);

// The second half of LookupIccid: reads the site's page, already decoded, and
// shows what it says, as a message or in T1(1)..T1(4). An empty page means the
// site could not be reached. Reading stops, with nothing shown, when the
// thread is asked to stop (QThread::requestInterruption) meanwhile.
void ReadIccidAnswer(Form& form, const QString& answer);

// The ICCID as it goes into the address's query (FormValue): letters and
// digits as they are, anything else percent-encoded.
QString IccidForAddress(const QString& iccid);

} // namespace lookup
