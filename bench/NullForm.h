#pragma once

#include "lookup/Form.h"

#include <QString>

// A window that keeps next to nothing: the benchmarks measure the lookup, not
// the recording. It counts the writes and keeps the last one, so a benchmark
// can tell that its page was really read.
class NullForm : public lookup::Form {
public:
    void setText(lookup::Box, const QString& text) override
    {
        lastText = text;
        ++writes;
    }
    int msgBox(const QString&, int, const QString&) override
    {
        ++messages;
        return 1;
    }
    void openInSystemBrowser(const QString&) override { }

    // True when the lookup wrote four fields, the last one a region.
    bool readFourFields() const
    {
        return writes == 4 && messages == 0 && lastText.startsWith(QStringLiteral("广东广州"));
    }

    int writes = 0;
    int messages = 0;
    QString lastText;
};
