#include "LookupIccid.h"

#include "lookup/Answers.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "web/HttpRequest.h"
#include "web/TextDecoding.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace lookup {

namespace {

const QString NoAnswerMessage = QStringLiteral("网络通信异常，可能是服务器维护，请稍后再试！");
const QString InvalidMarker = QStringLiteral("你输入的不是一个有效的ICCID码");
const QString InvalidMessage
    = QStringLiteral("亲，你输入的不是一个有效的ICCID码，请输入正确的ICCID码进行查询！");
const QString DisclaimerMarker = QStringLiteral("所以本查询结果仅供参考");
// Searched in the upper-cased answer, so the tags are upper case too.
const QString TableEnd = QStringLiteral("</TABLE>");
const QString ValueMarker = QStringLiteral("<DIV CLASS=STYLE14>");
const QString NoInformation = QStringLiteral("无相关信息！");

struct Field {
    int box;
    QString marker;
    QString appended;
};

const std::array<Field, 4> Fields {{
    {1, QStringLiteral("运营商"), QString()},
    {2, QStringLiteral("手机号"), QStringLiteral("  (左上方有利用ICCID查手机号码的方法)")},
    {3, QStringLiteral("卡年代"), QString()},
    {4, QStringLiteral("归属地"), QStringLiteral("  (移动电信较准确 联通仅供参考)")},
}};

// The site's page as text; empty when there is no answer worth reading.
QString fetchAnswer(const QString& iccid)
{
    web::HttpRequest request;
    request.Option(web::HttpRequest::EnableRedirects, false);
    request.Open(QStringLiteral("Get"),
        Sites::fromEnvironment().iccidResultPage() + QStringLiteral("?ICCID=")
            + IccidForAddress(iccid),
        true);
    request.SetRequestHeader(QStringLiteral("Accept-Language"), QStringLiteral("zh-CN"));
    request.SetRequestHeader(QStringLiteral("Control-Cache"), QStringLiteral("no-cache"));
    request.Send();
    request.WaitForResponse(10000);

    const auto body = AnswerBody(request);
    if (!body)
        return {};
    return web::DecodeText(*body, QStringLiteral("UTF-8")).value_or(QString());
}

// A page can be large, and upper-casing and searching it are most of the time
// a lookup spends on its own: the page is upper-cased in place, read through
// views, and only the values are copied out.

// Characters that this file upper-cases by itself: ASCII, and the Latin-1
// symbols, punctuation, CJK and full-width ranges, where QString::toUpper
// changes nothing. These are nearly all of a Chinese page. (Written without
// branches, so that a loop over it can be vectorised.)
constexpr bool upperCasedHere(char16_t c)
{
    return (c < 0xDF && c != 0xB5) | (char16_t(c - 0x2000) < 0x70) | (char16_t(c - 0x3000) < 0x7000)
        | (char16_t(c - 0xFF00) < 0x41) | (c >= 0xFF5B);
}

constexpr char16_t asciiUpper(char16_t c)
{
    return char16_t(c - (char16_t(c - u'a') < 26 ? u'a' - u'A' : 0));
}

// The same as text.remove('"') followed by text = text.toUpper(), in one pass
// and without QString::toUpper's table look-up for every character. Runs of
// other characters (surrogate pairs among them) still go through toUpper,
// one-to-many mappings such as "ß" to "SS" included.
void removeQuotesAndUpperCase(QString& text)
{
    QChar* data = text.data();
    qsizetype kept = 0; // what is done so far is data[0, kept)
    qsizetype next = 0;

    // One character, or one run of characters left to toUpper.
    auto step = [&] {
        const char16_t c = data[next].unicode();
        if (c == u'"') {
            ++next;
        } else if (upperCasedHere(c)) {
            data[kept++] = QChar(asciiUpper(c));
            ++next;
        } else {
            qsizetype end = next + 1;
            while (end < text.size() && !upperCasedHere(data[end].unicode()))
                ++end;
            const QString upper = QStringView(text).sliced(next, end - next).toString().toUpper();
            if (kept + upper.size() <= end) {
                std::copy(upper.begin(), upper.end(), data + kept);
                kept += upper.size();
            } else { // longer than the room left behind: rare, so simply rebuilt
                QString rebuilt = QStringView(text).first(kept).toString() + upper;
                const qsizetype done = rebuilt.size();
                rebuilt += QStringView(text).sliced(end);
                text = std::move(rebuilt);
                data = text.data();
                kept = end = done;
            }
            next = end;
        }
    };

    // Nearly every block of a page holds nothing for toUpper; the loop over
    // one is written so that the compiler vectorises it.
    constexpr qsizetype Block = 16;
    while (next + Block <= text.size()) {
        char16_t upper[Block];
        unsigned forToUpper = 0;
        unsigned quotes = 0;
        for (qsizetype k = 0; k < Block; ++k) {
            const char16_t c = data[next + k].unicode();
            forToUpper |= unsigned(!upperCasedHere(c));
            quotes |= unsigned(c == u'"');
            upper[k] = asciiUpper(c);
        }
        if (forToUpper) {
            for (const qsizetype blockEnd = next + Block; next < blockEnd;)
                step();
            continue;
        }
        if (quotes) {
            for (const char16_t c : upper) {
                data[kept] = QChar(c);
                kept += c != u'"';
            }
        } else {
            std::copy(upper, upper + Block, data + kept);
            kept += Block;
        }
        next += Block;
    }
    while (next < text.size())
        step();
    text.truncate(kept);
}

// Where `marker` first occurs in `text`, or -1. For short needles Qt hashes
// its way through every position; the Chinese markers begin with a character
// that is rare in a page, so finding that character first (a vectorised scan)
// is several times faster. Markers of markup begin with "<", which is
// everywhere: those are left to Qt.
qsizetype find(QStringView text, QStringView marker, qsizetype from = 0)
{
    if (marker.front().unicode() < 0x80)
        return text.indexOf(marker, from);
    while ((from = text.indexOf(marker.front(), from)) >= 0) {
        if (text.sliced(from).startsWith(marker))
            return from;
        ++from;
    }
    return -1;
}

// The text before the first occurrence of `marker`, or all of it.
QStringView before(QStringView text, QStringView marker)
{
    const qsizetype at = find(text, marker);
    return at < 0 ? text : text.first(at);
}

// The text after the first occurrence of `marker`, up to its next occurrence or
// the end; nothing when the marker does not occur.
std::optional<QStringView> pieceAfter(QStringView text, QStringView marker)
{
    const qsizetype first = find(text, marker);
    if (first < 0)
        return std::nullopt;
    return before(text.sliced(first + marker.size()), marker);
}

// The value of a field from the text after its marker, or nothing when the
// field is to stay as it is.
std::optional<QString> fieldValue(QStringView afterMarker, const Field& field)
{
    const auto afterValueMarker = pieceAfter(afterMarker, ValueMarker);
    // Spaces are removed before the value is cut at "<", so a text of nothing
    // but spaces is no value, while one that begins with "<" is an empty one.
    if (!afterValueMarker
        || std::all_of(
            afterValueMarker->begin(), afterValueMarker->end(), [](QChar c) { return c == u' '; }))
        return std::nullopt;
    QString value = before(*afterValueMarker, u"<").toString();
    value.remove(QLatin1Char(' '));
    return value + field.appended;
}

} // namespace

QString IccidForAddress(const QString& iccid)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    QByteArray encoded;
    for (const char byte : iccid.toUtf8()) {
        const auto code = static_cast<unsigned char>(byte);
        if (code <= 0x20 || code >= 0x7F || byte == '#' || byte == '%') {
            encoded += '%';
            encoded += Hex[code >> 4];
            encoded += Hex[code & 0x0F];
        } else {
            encoded += byte;
        }
    }
    return QString::fromLatin1(encoded);
}

void LookupIccid(Form& form, const QString& iccid)
{
    ReadIccidAnswer(form, fetchAnswer(iccid));
}

void ReadIccidAnswer(Form& form, const QString& answer)
{
    if (answer.isEmpty()) {
        Show(form, NoAnswerMessage);
        return;
    }

    QString page = answer;
    removeQuotesAndUpperCase(page);
    if (find(page, InvalidMarker) >= 0) {
        Show(form, InvalidMessage);
        return;
    }

    const QStringView section = before(before(page, DisclaimerMarker), TableEnd);
    for (const Field& field : Fields) {
        const auto afterMarker = pieceAfter(section, field.marker);
        if (!afterMarker) {
            form.setText(T1(field.box), NoInformation);
            continue;
        }
        if (const auto value = fieldValue(*afterMarker, field))
            form.setText(T1(field.box), *value);
    }
}

} // namespace lookup
