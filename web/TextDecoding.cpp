#include "TextDecoding.h"

#include "CodePages.h"
#include "encoding/Decode.h"
#include "encoding/Labels.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

namespace web {

namespace {

bool isWideUnicode(const QString& name)
{
    return name.startsWith(QLatin1String("UTF-16")) || name.startsWith(QLatin1String("UTF-32"));
}

// A line feed as this charset writes it (0x25 in EBCDIC, 0x0A in the
// ASCII-compatible ones), or nothing when its encoding of a line feed does not
// read back as a line feed on its own.
QByteArray lineFeedIn(const QString& charset)
{
    QStringEncoder encoder(charset.toLatin1().constData());
    if (!encoder.isValid())
        return {};
    const QByteArray lineFeed = encoder.encode(QStringView(u"\n"));
    QStringDecoder check(charset.toLatin1().constData());
    const QString readBack = check.decode(lineFeed);
    return readBack == QLatin1String("\n") ? lineFeed : QByteArray();
}

// A charset the Encoding Standard does not know (an EBCDIC page, UTF-32, ...):
// Qt's decoders, and what Qt does not know the platform's (CodePages.h).
std::optional<QString> decodeOutsideTheStandard(const QByteArray& bytes, const QString& charset)
{
    const QByteArray name = charset.trimmed().toLatin1();
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return DecodeByCodePage(bytes, QString::fromLatin1(name));
    const QString canonical = QString::fromLatin1(decoder.name()).toUpper();

    // Qt's own UTF-16 and UTF-32 decoders turn a unit cut off by the end of
    // the body into U+FFFD when told that no more bytes follow.
    if (isWideUnicode(canonical))
        return QStringDecoder(name.constData(), QStringConverter::Flag::Stateless).decode(bytes);

    // A body cut off inside a multi-byte sequence leaves that sequence pending
    // in the decoder, and telling the decoder that nothing follows drops it
    // silently. A line feed cannot continue a sequence, so feeding the
    // charset's own line feed makes the decoder give up the pending bytes as a
    // replacement character; the line feed itself is ours and is taken off
    // again. It must be the charset's line feed: byte 0x0A is U+008E in EBCDIC,
    // which would turn even an empty body into a character.
    QString text = decoder.decode(bytes);
    const QByteArray lineFeed = lineFeedIn(canonical);
    if (lineFeed.isEmpty())
        return text;
    QString pending = decoder.decode(lineFeed);
    if (pending.endsWith(QLatin1Char('\n')))
        pending.chop(1);
    else if (!pending.isEmpty())
        pending = QString(QChar::ReplacementCharacter); // the cut-off tail swallowed our line feed
    return text + pending;
}

} // namespace

std::optional<QString> DecodeText(const QByteArray& bytes, const QString& charset)
{
    // A label browsers know is read as they read it (gb2312 as GBK, us-ascii
    // as windows-1252, ...), from the Standard's own tables on every platform.
    if (const QString encoding = encoding::EncodingForLabel(charset); !encoding.isEmpty()) {
        if (auto text = encoding::Decode(bytes, encoding))
            return text;
    }
    return decodeOutsideTheStandard(bytes, charset);
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
