#pragma once

#include "lookup/record/Record.h"

#include <QString>

// A record's every field as lines of text, with the window's labels: what
// the history window shows of the record selected.
QString RecordText(const lookup::Record& record);
