#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

namespace lookup::offline {

// What an Apple serial number says about itself. Every text is empty where
// nothing is known.
struct SerialReading {
    enum class Format {
        None, // not a serial number (see problem), or empty
        Dated11, // PP Y WW SSS CCC: factory, year digit, week, unit, model
        Dated12, // PPP H W SSS CCCC: factory and line, half-year, week, unit, configuration
        Random10, // from 2021 on: carries nothing readable
    };
    Format format = Format::None;
    QString problem; // why the input is no serial number; empty when it is one
    QString factory; // the factory (and line) code as printed
    QString factoryPlace; // empty when the code is not in the table
    // The possible years of manufacture, the later first: the likelier for a
    // phone, since iPhones kept the 11-character format until 2012 and came to
    // the 12-character one only then.
    QList<int> years;
    int week = 0; // week of the year, 1 to 53; 0 when unknown
    QString unit; // the unit's code within its week
    QString configuration; // the model/configuration code as printed
    QString summary; // one line for the window: empty for an empty input
};

// Letters are read upper-cased and blanks are left out. A year code means
// only the years its format was in use, and never a week still to come
// (`today`).
SerialReading ReadSerial(QStringView text, QDate today);

} // namespace lookup::offline
