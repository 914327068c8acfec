#include "LookupIccid.h"

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

    // An error page says the site is down, not that the card is unknown.
    if (request.Status().value_or(0) >= 400)
        return {};
    const auto body = request.ResponseBody();
    if (!body)
        return {};
    return web::DecodeText(*body, QStringLiteral("UTF-8")).value_or(QString());
}

// Characters that toUpper leaves alone or maps within ASCII: ASCII, the
// Latin-1 symbols, punctuation, CJK and the full-width forms, nearly all of a
// Chinese page. They are upper-cased here, because QString::toUpper looks each
// character up in its tables, which on a large page is most of the time a
// lookup spends on its own.
constexpr bool upperCasedHere(char16_t c)
{
    return (c < 0xDF && c != 0xB5) || (c >= 0x2000 && c < 0x2070) || (c >= 0x3000 && c < 0xA000)
        || (c >= 0xFF00 && c < 0xFF41) || c >= 0xFF5B;
}

constexpr char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// The answer without its double quotes, upper-cased as QString::toUpper would
// (runs of other characters go through toUpper, "ß" to "SS" included).
QString withoutQuotesUpperCased(QStringView text)
{
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    qsizetype written = 0;
    qsizetype run = -1; // where a run of characters left to toUpper began
    auto endRun = [&](qsizetype end) {
        if (run < 0)
            return;
        const QString upper = text.sliced(run, end - run).toString().toUpper();
        run = -1;
        // A run may grow ("ß" is "SS"): make room for it and all that follows.
        if (const qsizetype needed = written + upper.size() + (text.size() - end);
            needed > result.size()) {
            result.resize(needed);
            out = result.data();
        }
        std::copy(upper.begin(), upper.end(), out + written);
        written += upper.size();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"') {
            endRun(i);
        } else if (upperCasedHere(c)) {
            endRun(i);
            out[written++] = QChar(asciiUpper(c));
        } else if (run < 0) {
            run = i;
        }
    }
    endRun(text.size());
    result.truncate(written);
    return result;
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

    const QString page = withoutQuotesUpperCased(answer);
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
