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
