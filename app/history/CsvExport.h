#pragma once

#include "history/Store.h"

#include <QString>

#include <optional>

// Writes the records a filter takes, in the given order, to a CSV file (the
// command line's spreadsheet-safe CSV), a page at a time so that memory stays
// one page whatever the history holds. The file appears whole or not at all:
// a failure leaves what was there before. Returns how many records went, or
// nothing and why.
std::optional<qint64> ExportCsv(history::Store& store, const history::Filter& filter,
    const history::Order& order, const QString& path, QString* why);
