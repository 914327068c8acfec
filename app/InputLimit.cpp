#include "InputLimit.h"

#include <QLineEdit>

#include <algorithm>
#include <utility>

InputLimit::InputLimit(QLineEdit* box, int limit)
    : QValidator(box)
    , limit_(limit)
    , before_(box->text())
{
    // The box's own limit would cut before the blanks are gone.
    box->setMaxLength(32767);
    box->setValidator(this);
}

QValidator::State InputLimit::validate(QString& text, int& cursor) const
{
    // Typing and pasting replace a stretch of the old text (a selection, or
    // nothing) and leave the cursor at the end of what they inserted; what
    // follows the cursor was there before. Anything else (an undo) only
    // brings back text that was let through already.
    const QString before = std::exchange(before_, text);
    const qsizetype after = text.size() - cursor;
    const qsizetype end = before.size() - after; // where the replaced stretch ended
    if (cursor < 0 || after < 0 || end < 0 || before.mid(end) != text.mid(cursor))
        return Acceptable;
    qsizetype start = 0;
    const qsizetype startBound = std::min(end, qsizetype(cursor));
    while (start < startBound && before[start] == text[start])
        ++start;

    const qsizetype kept = start + after; // characters that were there before
    const QString inserted = text.mid(start, cursor - start).trimmed().left(
        std::max(qsizetype(0), limit_ - kept));
    if (inserted.size() == cursor - start)
        return Acceptable; // nothing to take away
    text = text.left(start) + inserted + text.mid(cursor);
    cursor = int(start + inserted.size());
    before_ = text;
    return Acceptable;
}
