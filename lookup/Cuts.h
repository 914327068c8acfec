#pragma once

#include <QString>

#include <optional>

// The lookups find values in an answer by exact, case-sensitive substring
// search on literal markers; the answers are never parsed as HTML. These are
// the cuts they share.
namespace lookup::cuts {

// The text after the first occurrence of `marker`, up to its second
// occurrence or the end. Nothing when the marker does not occur.
std::optional<QString> pieceAfter(const QString& text, const QString& marker);

// The text before the first occurrence of `marker`, or all of it when the
// marker does not occur.
QString pieceBefore(const QString& text, const QString& marker);

// The usual value cut: the piece after `marker`, up to the first "<".
// Nothing when the marker does not occur or nothing follows it (the marker
// ends the text or comes twice in a row); a marker right before a "<" gives
// the empty text.
std::optional<QString> valueAfter(const QString& text, const QString& marker);

// `text` without leading and trailing spaces (U+0020 only: other blanks are
// part of what a site or a user wrote).
QString trimmedSpaces(const QString& text);

// `text` without any occurrence of each of `unwanted`, removed in order.
QString without(QString text, std::initializer_list<QString> unwanted);

} // namespace lookup::cuts
