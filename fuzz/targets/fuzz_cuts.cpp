// The marker cuts: the input's first line is the marker, the rest the text
// (both UTF-8). Each cut is checked against what its comment promises.

#include "support/Check.h"

#include "lookup/Cuts.h"

#include <cstdint>

using namespace lookup::cuts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lineEnd = input.indexOf(QLatin1Char('\n'));
    if (lineEnd < 0)
        return 0;
    const QString marker = input.left(lineEnd);
    const QString text = input.mid(lineEnd + 1);
    const qsizetype at = marker.isEmpty() ? -1 : text.indexOf(marker);

    const auto after = pieceAfter(text, marker);
    fuzz::check(after.has_value() == (at >= 0), "pieceAfter finds what is not there, or misses it");
    if (after) {
        const qsizetype start = at + marker.size();
        const qsizetype end = start + after->size();
        fuzz::check(text.mid(start, after->size()) == *after, "pieceAfter: not what follows");
        fuzz::check(end == text.size() || text.mid(end, marker.size()) == marker,
            "pieceAfter: does not end at the next marker");
        fuzz::check(!after->contains(marker), "pieceAfter: holds the marker");
    }

    const QString before = pieceBefore(text, marker);
    fuzz::check(text.startsWith(before), "pieceBefore: not a beginning");
    if (!marker.isEmpty()) {
        fuzz::check(!before.contains(marker), "pieceBefore: holds the marker");
        fuzz::check((before.size() == text.size()) == (at < 0), "pieceBefore: wrong length");
    }

    const auto value = valueAfter(text, marker);
    fuzz::check(value.has_value() == (after && !after->isEmpty()), "valueAfter: wrong presence");
    if (value) {
        fuzz::check(!value->contains(QLatin1Char('<')), "valueAfter: holds a '<'");
        fuzz::check(after->startsWith(*value), "valueAfter: not the start of the piece");
        fuzz::check(value->size() == after->size() || after->at(value->size()) == QLatin1Char('<'),
            "valueAfter: not cut at the first '<'");
    }

    const QString trimmed = trimmedSpaces(text);
    fuzz::check(!trimmed.startsWith(QLatin1Char(' ')) && !trimmed.endsWith(QLatin1Char(' ')),
        "trimmedSpaces: spaces left");
    fuzz::check(text.contains(trimmed), "trimmedSpaces: not a piece of the text");
    fuzz::check(QString(text).remove(QLatin1Char(' ')) == QString(trimmed).remove(QLatin1Char(' ')),
        "trimmedSpaces: took more than spaces");

    const QString rest = without(text, {marker});
    fuzz::check(rest.size() <= text.size(), "without: grew");
    fuzz::check(
        marker.isEmpty() || at >= 0 || rest == text, "without: changed a text without the marker");
    return 0;
}
