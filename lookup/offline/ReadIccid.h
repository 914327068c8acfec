#pragma once

#include "CheckDigit.h"

#include <QDate>
#include <QString>
#include <QStringView>

namespace lookup::offline {

// What an ICCID (ITU-T E.118: 89, country code, issuer, account, check digit)
// says about itself. Every text is empty where nothing is known.
struct IccidReading {
    QString problem; // why the input is no ICCID; empty when it is one (or empty)
    QString digits; // 19 or 20 characters as read (Chinese issuers print letters too)
    QString country; // from the country calling code; empty when not in the table
    QString issuer; // China: the two issuer digits after 8986
    QString carrier; // China: the operator; empty when the issuer is unknown
    // China Mobile's and China Unicom's layouts: reference values only.
    QString numberSegment; // "139": the 7th digit of China Mobile's layout
    QString province; // China Mobile: 9th-10th digits
    int year = 0; // China Mobile: 11th-12th digits; China Unicom: 7th-8th; 0: unknown
    CheckDigit check = CheckDigit::NotRead;
    int rightCheckDigit = -1; // outside China: the digit the last one should be
    QString summary; // one line for the window: empty for an empty input
};

// Blanks and dashes between digit groups are left out; letters are read
// upper-cased. A card's year after `today` is no year.
IccidReading ReadIccid(QStringView text, QDate today);

} // namespace lookup::offline
