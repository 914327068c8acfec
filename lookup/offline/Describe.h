#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

namespace lookup::offline {

// The two input boxes: the device box takes a serial number or an IMEI, the
// SIM card box an ICCID.
enum class Input { Device, Sim };

// The one-line reading of what was typed into `box`: an IMEI or a serial
// number for the device box, an ICCID for the other. Empty input: empty text.
QString Describe(Input box, QStringView text, QDate today);

} // namespace lookup::offline
