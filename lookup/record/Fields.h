#pragma once

#include "Record.h"
#include "lookup/Form.h"

#include <QString>

#include <vector>

namespace lookup {

// A result box as the command line names it: the key in JSON and in the CSV
// header, and the window's label beside the box for the text form.
struct Field {
    Box box;
    const char* key;
    QString label;
};

// The boxes of a device lookup and of a SIM card lookup, top to bottom as the
// window shows them.
const std::vector<Field>& DeviceFields();
const std::vector<Field>& SimFields();
// The boxes a lookup of that kind may write; none for an invalid identifier.
const std::vector<Field>& FieldsOf(Kind kind);

// Readings of an identifier beside the lookup's boxes, each a top-level JSON
// key, a CSV column and a line of text, all in this one list. Each reads the
// identifier without asking any site, so --offline shows them too.
struct Extra {
    const char* key;
    QString label;
    QString (*read)(Kind kind, const QString& identifier);
};
const std::vector<Extra>& Extras();

} // namespace lookup
