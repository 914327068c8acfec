// The text decoding: the input's first line (at most 64 bytes) is a declared
// charset, or a Content-Type header naming one; the rest is the body.
//
// Checked beyond crashes: an empty body decodes to an empty text in every
// charset; valid UTF-8 decodes as UTF-8 unchanged (but for a leading
// byte-order mark); a declared charset is a word the header or the body's
// head really holds. For a label of the Encoding Standard: the text is never
// longer (in UTF-16 units) than the body, holds no lone surrogate, and in
// every encoding that keeps ASCII as ASCII has as many "<" as the body has
// 0x3C bytes, so that no bad sequence swallows markup or makes some.

#include "support/Check.h"

#include "web/TextDecoding.h"
#include "web/encoding/Labels.h"

#include <QByteArray>

#include <cstdint>

namespace {

bool startsWithByteOrderMark(const QByteArray& body)
{
    return body.startsWith("\xEF\xBB\xBF") || body.startsWith("\xFE\xFF")
        || body.startsWith("\xFF\xFE");
}

void checkStandardDecoding(const QString& label, const QByteArray& body)
{
    const QString encoding = web::encoding::EncodingForLabel(label);
    if (encoding.isEmpty())
        return;
    const auto text = web::DecodeText(body, label);
    fuzz::check(text.has_value(), "a label of the Encoding Standard gives no text", label);
    fuzz::check(text->size() <= body.size(), "more UTF-16 units than bytes", encoding);
    fuzz::check(QStringView(*text).isValidUtf16(), "a lone surrogate", encoding);
    static const QStringList notAsciiCompatible
        = {"UTF-16BE", "UTF-16LE", "replacement", "ISO-2022-JP"};
    if (notAsciiCompatible.contains(encoding) || startsWithByteOrderMark(body))
        return;
    fuzz::check(
        text->count(QLatin1Char('<')) == body.count('<'), "markup swallowed or made", encoding);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lineEnd = input.indexOf('\n');
    if (lineEnd < 0 || lineEnd > 64)
        return 0;
    const QString declared = QString::fromLatin1(input.left(lineEnd));
    const QByteArray body = input.mid(lineEnd + 1);

    if (const auto text = web::DecodeText(body, declared))
        fuzz::check(!body.isEmpty() || text->isEmpty(), "an empty body decodes to some text",
            declared + QStringLiteral(": ") + QString::number(text->size())
                + QStringLiteral(" characters"));
    // Nothing may come of an empty body in any charset, whatever its name.
    if (const auto text = web::DecodeText(QByteArray(), declared))
        fuzz::check(text->isEmpty(), "an empty body decodes to some text", declared);

    const auto utf8 = web::DecodeText(body, QStringLiteral("UTF-8"));
    fuzz::check(utf8.has_value(), "UTF-8 unknown");
    const QString strict = QString::fromUtf8(body);
    if (strict.toUtf8() == body) {
        const QString expected = strict.startsWith(QChar(0xFEFF)) ? strict.mid(1) : strict;
        fuzz::check(*utf8 == expected, "valid UTF-8 decodes otherwise");
    }

    checkStandardDecoding(declared, body);

    const QString charset = web::DeclaredCharset(declared, body);
    fuzz::check(charset.isEmpty() || declared.contains(charset)
            || QString::fromLatin1(body.left(4096)).contains(charset),
        "a declared charset that neither header nor body names", charset);
    return 0;
}
