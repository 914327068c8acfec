#include "Cuts.h"

namespace lookup::cuts {

std::optional<QString> pieceAfter(const QString& text, const QString& marker)
{
    const qsizetype first = text.indexOf(marker);
    if (first < 0 || marker.isEmpty())
        return std::nullopt;
    const qsizetype start = first + marker.size();
    const qsizetype second = text.indexOf(marker, start);
    return second < 0 ? text.mid(start) : text.mid(start, second - start);
}

QString pieceBefore(const QString& text, const QString& marker)
{
    const qsizetype at = text.indexOf(marker);
    return at < 0 ? text : text.left(at);
}

std::optional<QString> valueAfter(const QString& text, const QString& marker)
{
    const auto piece = pieceAfter(text, marker);
    if (!piece || piece->isEmpty())
        return std::nullopt;
    return pieceBefore(*piece, QStringLiteral("<"));
}

QString trimmedSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == QLatin1Char(' '))
        ++first;
    while (end > first && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

QString without(QString text, std::initializer_list<QString> unwanted)
{
    for (const QString& part : unwanted)
        text.remove(part);
    return text;
}

} // namespace lookup::cuts
