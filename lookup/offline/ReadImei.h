#pragma once

#include "CheckDigit.h"

#include <QString>
#include <QStringView>

namespace lookup::offline {

// What an IMEI says about itself. Every text is empty where nothing is known.
struct ImeiReading {
    QString problem; // why the input is no IMEI; empty when it is one (or empty)
    QString digits; // 14, 15 or 16 digits as read
    CheckDigit check = CheckDigit::NotRead;
    int rightCheckDigit = -1; // the digit a 15-digit IMEI should end in
    QString tac; // type allocation code: the first 8 digits
    QString reportingBody; // who allocated the TAC; empty when the code is unknown
    QString softwareVersion; // an IMEISV's last two digits
    QString summary; // one line for the window: empty for an empty input
};

// 15 digits (check digit last), 14 (without it) or 16 (IMEISV); blanks,
// dashes and slashes between digit groups are left out.
ImeiReading ReadImei(QStringView text);

} // namespace lookup::offline
