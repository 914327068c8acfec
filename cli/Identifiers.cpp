#include "Identifiers.h"

#include <QFile>

#include <cstdio>

namespace cli {

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

QStringList IdentifierLines(const QByteArray& text)
{
    QByteArray bytes = text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringList identifiers;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        identifiers << QString::fromUtf8(line);
    }
    return identifiers;
}

std::optional<QStringList> ReadIdentifierFile(const QString& path)
{
    QFile file;
    const bool opened = path == QLatin1String("-")
        ? file.open(stdin, QIODevice::ReadOnly)
        : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        return std::nullopt;
    return IdentifierLines(file.readAll());
}

} // namespace cli
