#include "TextDecoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace web {

std::optional<QString> DecodeText(const QByteArray& bytes, const QString& charset)
{
    QStringDecoder decoder(charset.trimmed().toLatin1().constData());
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);

    // A body cut off inside a multi-byte sequence leaves that sequence pending
    // in the decoder, and a stateless decoder drops it silently. A line feed
    // cannot continue a sequence in any ASCII-compatible charset, so feeding
    // one makes the decoder give up the pending bytes as replacement
    // characters; the line feed itself is ours and is taken off again.
    const QString name = QString::fromLatin1(decoder.name()).toUpper();
    if (!name.startsWith(QLatin1String("UTF-16")) && !name.startsWith(QLatin1String("UTF-32"))) {
        QString pending = decoder.decode(QByteArrayView("\n", 1));
        if (pending.endsWith(QLatin1Char('\n')))
            pending.chop(1);
        text += pending;
    }
    return text;
}

namespace {

// A browser looks for <meta> charsets in the first 1024 bytes; servers that pad
// their heads with scripts push it further, so allow a little more.
constexpr qsizetype MetaScanBytes = 4096;

QString charsetParameter(const QString& text)
{
    static const QRegularExpression parameter(
        QStringLiteral(R"(charset\s*=\s*["']?\s*([A-Za-z0-9_.:\-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = parameter.match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

QString DeclaredCharset(const QString& contentType, const QByteArray& body)
{
    if (QString fromHeader = charsetParameter(contentType); !fromHeader.isEmpty())
        return fromHeader;

    static const QRegularExpression metaTag(
        QStringLiteral(R"(<meta\b[^>]*>)"), QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.left(MetaScanBytes));
    for (auto it = metaTag.globalMatch(head); it.hasNext();) {
        if (QString charset = charsetParameter(it.next().captured(0)); !charset.isEmpty())
            return charset;
    }
    return {};
}

} // namespace web
