#pragma once

#include "Record.h"

#include <QLocale>
#include <QVariant>

#include <vector>

namespace lookup {

// A device record's boxes read as a script wants them, beside the window's
// texts: whether the phone was replaced or activated and whether its coverage
// and telephone support are active (bool), the iOS version alone (QString),
// the end and first-activation dates (QDate), the warranty's days left
// (qint64). A null QVariant where the text holds no such value ("已过期" has
// no days left, a replaced phone no activation).
//
// Read from the texts, so that a record kept in a history reads the same way
// later: dates the lookups wrote in `locale`'s short form are read back in it.
struct Value {
    const char* key;
    QVariant value;
};

// The keys, in the order the values come: for the CSV header.
const std::vector<const char*>& ValueKeys();

// One value per key for a phone looked up; none for a SIM card, for what is
// no identifier and for what was not looked up.
std::vector<Value> ValuesOf(const Record& record, const QLocale& locale = QLocale::system());

} // namespace lookup
