#include "Kind.h"

namespace lookup {

Kind KindOf(const QString& identifier)
{
    const qsizetype length = identifier.size();
    if ((length == 19 || length == 20) && identifier.startsWith(QLatin1String("89")))
        return Kind::Iccid;
    if (length == 15)
        return Kind::Imei;
    if (length == 12 || length == 14)
        return Kind::Serial;
    return Kind::Invalid;
}

namespace {

// `text` without the separators; empty when anything else in it is not an
// ASCII digit, or (with `letters`) letter.
QString withoutSeparators(const QString& text, QStringView separators, bool letters)
{
    QString kept;
    for (const QChar c : text) {
        if (c.isSpace() || separators.contains(c))
            continue;
        const bool digit = c >= u'0' && c <= u'9';
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        if (!digit && !(letters && letter))
            return {};
        kept += c;
    }
    return kept;
}

} // namespace

QString Normalised(const QString& identifier)
{
    const QString trimmed = identifier.trimmed();
    // Digits alone, whatever their number: an IMEI, or a number too short or
    // too long to be anything, which is then refused without its separators.
    const QString digits = withoutSeparators(trimmed, u"-/", false);
    if (!digits.isEmpty())
        return digits;
    // Chinese issuers print letters after the six-digit prefix.
    const QString iccid = withoutSeparators(trimmed, u"-", true);
    if ((iccid.size() == 19 || iccid.size() == 20) && iccid.startsWith(QLatin1String("89")))
        return iccid;
    return trimmed;
}

QString KindName(Kind kind)
{
    switch (kind) {
    case Kind::Serial: return QStringLiteral("serial");
    case Kind::Imei: return QStringLiteral("imei");
    case Kind::Iccid: return QStringLiteral("iccid");
    case Kind::Invalid: break;
    }
    return QStringLiteral("invalid");
}

std::optional<Kind> KindNamed(const QString& name)
{
    for (const Kind kind : {Kind::Serial, Kind::Imei, Kind::Iccid, Kind::Invalid})
        if (KindName(kind) == name)
            return kind;
    return std::nullopt;
}

} // namespace lookup
