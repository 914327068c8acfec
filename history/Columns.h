#pragma once

#include "lookup/record/Record.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace history {

// A record as the store's columns hold it. Lists and the fields are JSON
// texts, so that both engines keep them alike and a later version can read
// what an earlier one wrote; the body is every text a search may find.
struct Columns {
    qint64 at = 0; // milliseconds since 1970, UTC
    QString input;
    QString kind;
    QString outcome;
    QString program;
    QString host;
    QString fields; // {"key": "text", ...}: the boxes written, by their JSON keys
    QString messages; // JSON arrays
    QString opened;
    QString extras;
    QString changed;
    QString body;
};

Columns ToColumns(const lookup::Record& record);
lookup::Record FromColumns(const Columns& columns);

// The field keys of a kind whose text differs between two records of one
// identifier, in the order the window shows the boxes.
QStringList ChangedFields(const lookup::Record& earlier, const lookup::Record& later);

} // namespace history
