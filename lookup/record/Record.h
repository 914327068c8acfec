#pragma once

#include "Kind.h"
#include "lookup/Form.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lookup {

// Everything one identifier's lookup showed: what the window's boxes would
// hold at its end, the message boxes it raised, the pages it would open.
struct Record {
    QString input;
    Kind kind = Kind::Invalid;
    std::vector<std::pair<Box, QString>> boxes; // each box once, its last text
    QStringList messages;
    QStringList opened;
    QStringList extras; // one text per entry of Extras() (Fields.h)
    bool lookedUp = false; // false with --offline and for what is no identifier
    // Why an input line is no identifier at all (Input.h): said on standard
    // error instead of a result; the kind is Invalid.
    QString complaint;

    // Set when the lookup ends, for the history.
    QDateTime when; // UTC
    QString program; // "kestrune" or "kestrune-cli"
    QString host; // the machine's host name
    // The field keys (Fields.h) whose text differs from the same identifier's
    // previous answered record; set by the history as it keeps the record.
    QStringList changed;
    // Taken from the history instead of asked again (kestrune-cli --resume).
    bool fromHistory = false;

    // What became of the lookup, as the history files it.
    enum class Outcome {
        Answered, // a site answered with the phone's or card's details
        InvalidAtSite, // a site said the identifier is not valid
        NoAnswer, // no site answered (the lookup's network message)
        Refused, // not looked up: no identifier by its shape
    };

    // Read from what the lookup showed: its messages and boxes.
    Outcome outcome() const;

    QString text(Box box) const;
    bool written(Box box) const;
    // Not an identifier, or no site answered (the lookup's network message).
    bool failed() const;
};

// "answered", "invalid", "no_answer", "refused": the names scripts and the
// history see; nothing for a name that is none of them.
QString OutcomeName(Record::Outcome outcome);
std::optional<Record::Outcome> OutcomeNamed(const QString& name);

// A moment as people and scripts read it: local time with its offset from
// UTC, ISO 8601 ("2026-12-08T09:30:00+08:00"); empty for no moment.
QString WhenText(const QDateTime& when);

// Stands in for the window while a lookup runs: keeps what it writes, answers
// every message box with OK without showing it, and opens nothing.
class RecordingWindow final : public Form {
public:
    explicit RecordingWindow(Record& record)
        : record_(record)
    {
    }

    void setText(Box box, const QString& text) override;
    int msgBox(const QString& prompt, int style, const QString& title) override;
    void openInSystemBrowser(const QString& address) override;

private:
    Record& record_;
};

} // namespace lookup
