#include "TextDecoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace web {

std::optional<QString> DecodeText(const QByteArray& bytes, const QString& charset)
{
    // Stateless: a sequence cut off by the end of the body is decoded as a
    // replacement character instead of being held back for more input.
    QStringDecoder decoder(charset.trimmed().toLatin1().constData(),
                           QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return decoder.decode(bytes);
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

    static const QRegularExpression metaTag(QStringLiteral(R"(<meta\b[^>]*>)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.left(MetaScanBytes));
    for (auto it = metaTag.globalMatch(head); it.hasNext();) {
        if (QString charset = charsetParameter(it.next().captured(0)); !charset.isEmpty())
            return charset;
    }
    return {};
}

} // namespace web
