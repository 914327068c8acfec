#pragma once

#include "Identifiers.h"
#include "lookup/Form.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace cli {

// Everything one identifier's lookup showed: what the window's boxes would
// hold at its end, the message boxes it raised, the pages it would open.
struct Record {
    QString input;
    Kind kind = Kind::Invalid;
    std::vector<std::pair<lookup::Box, QString>> boxes; // each box once, its last text
    QStringList messages;
    QStringList opened;
    QStringList extras; // one text per entry of Extras() (Fields.h)
    bool lookedUp = false; // false with --offline and for what is no identifier
    // Why an input line is no identifier at all (Input.h): said on standard
    // error instead of a result; the kind is Invalid.
    QString complaint;

    QString text(lookup::Box box) const;
    bool written(lookup::Box box) const;
    // Not an identifier, or no site answered (the lookup's network message).
    bool failed() const;
};

// Stands in for the window while a lookup runs: keeps what it writes, answers
// every message box with OK without showing it, and opens nothing.
class RecordingWindow final : public lookup::Form {
public:
    explicit RecordingWindow(Record& record)
        : record_(record)
    {
    }

    void setText(lookup::Box box, const QString& text) override;
    int msgBox(const QString& prompt, int style, const QString& title) override;
    void openInSystemBrowser(const QString& address) override;

private:
    Record& record_;
};

} // namespace cli
