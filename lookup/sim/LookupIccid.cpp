#include "LookupIccid.h"

#include "lookup/Answers.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "web/HttpRequest.h"
#include "web/TextDecoding.h"

#include <QThread>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace lookup {

namespace {

const QString InvalidMarker = QStringLiteral("你输入的不是一个有效的ICCID码");
const QString& InvalidMessage = SimInvalidMessage;
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
// a lookup spends on its own: the page is upper-cased in one pass, read
// through views, and only the values are copied out.

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

// Upper cases of the characters that this file does not upper-case by itself,
// remembered as they are met: a page that uses one such character uses it
// again and again ("ß" in every other word), and asking QString::toUpper for
// each would cost an allocation apiece. One entry per slot; a character that
// shares its slot with another simply replaces it.
class UpperCaseCache {
public:
    // The longest upper case a character has (Greek letters with two
    // accents become three characters).
    static constexpr qsizetype MaxLength = 4;

    // The upper case of `character` (one code point: one UTF-16 unit, or a
    // surrogate pair). When it is no longer than MaxLength, MaxLength
    // characters can be read from where it starts.
    QStringView of(QStringView character)
    {
        const char32_t code = character.size() == 2
            ? QChar::surrogateToUcs4(character[0], character[1])
            : character[0].unicode();
        Entry& entry = entries_[code % Slots];
        if (entry.code != code) {
            const QString upper = character.toString().toUpper();
            if (upper.size() > MaxLength) { // none is known to be
                unusual_ = upper;
                return unusual_;
            }
            entry.code = code;
            entry.size = upper.size();
            std::copy(upper.begin(), upper.end(), entry.upper);
        }
        return QStringView(entry.upper, entry.size);
    }

private:
    static constexpr std::size_t Slots = 256;
    struct Entry {
        char32_t code = ~char32_t(0); // no character
        qsizetype size = 0;
        QChar upper[MaxLength];
    };
    std::array<Entry, Slots> entries_ {};
    QString unusual_;
};

// How many characters are read between two checks for a cancelled lookup: a
// check is cheap, but not so cheap that every character can afford one.
constexpr qsizetype CharactersBetweenChecks = qsizetype(1) << 16;

bool cancelled()
{
    return QThread::currentThread()->isInterruptionRequested();
}

// The same as text.remove('"').toUpper(), in one pass and without
// QString::toUpper's table look-up for every character. Nothing when the
// lookup was cancelled meanwhile.
//
// The result goes to a buffer of its own, the size of the text plus a little;
// where upper cases longer than their characters ("ß" to "SS") outgrow it, it
// doubles, so the work stays linear however many such characters the page
// holds. (QString::toUpper itself moves the whole rest of the text for each
// of them.)
std::optional<QString> withoutQuotesUpperCased(QStringView text)
{
    constexpr qsizetype Block = 16;
    const QChar* const source = text.data();
    const qsizetype size = text.size();
    QString result(size + UpperCaseCache::MaxLength * Block, Qt::Uninitialized);
    QChar* out = result.data();
    qsizetype kept = 0; // the result so far is out[0, kept)
    qsizetype next = 0; // what is read so far is source[0, next)
    UpperCaseCache upperCases;

    // Room for `count` more characters in the result.
    auto makeRoom = [&](qsizetype count) {
        if (kept + count <= result.size())
            return;
        result.resize(std::max(kept + count + (size - next), 2 * result.size()));
        out = result.data();
    };
    // Room for what any `count` characters may become.
    auto makeRoomForUpperCaseOf
        = [&](qsizetype count) { makeRoom(UpperCaseCache::MaxLength * count); };

    // One character (a surrogate pair counts as one); room for its upper case
    // has been made.
    auto step = [&] {
        const char16_t c = source[next].unicode();
        if (c == u'"') {
            ++next;
        } else if (upperCasedHere(c)) {
            out[kept++] = QChar(asciiUpper(c));
            ++next;
        } else {
            const qsizetype length = QChar::isHighSurrogate(c) && next + 1 < size
                    && QChar::isLowSurrogate(source[next + 1].unicode())
                ? 2
                : 1;
            if (QChar::isSurrogate(c) && length == 1) { // a lone half stays as it is
                out[kept++] = QChar(c);
            } else {
                const QStringView upper = upperCases.of(QStringView(source + next, length));
                if (upper.size() <= UpperCaseCache::MaxLength) {
                    // A copy of fixed length is a few moves, not a call.
                    std::copy_n(upper.data(), UpperCaseCache::MaxLength, out + kept);
                } else { // no character is known to do this
                    makeRoom(upper.size() + UpperCaseCache::MaxLength * Block);
                    std::copy(upper.begin(), upper.end(), out + kept);
                }
                kept += upper.size();
            }
            next += length;
        }
    };

    // Nearly every block of a page holds nothing for toUpper; the loop over
    // one is written so that the compiler vectorises it.
    qsizetype nextCheck = CharactersBetweenChecks;
    while (next + Block <= size) {
        if (next >= nextCheck) {
            if (cancelled())
                return std::nullopt;
            nextCheck = next + CharactersBetweenChecks;
        }
        char16_t upper[Block];
        unsigned forToUpper = 0;
        unsigned quotes = 0;
        for (qsizetype k = 0; k < Block; ++k) {
            const char16_t c = source[next + k].unicode();
            forToUpper |= unsigned(!upperCasedHere(c));
            quotes |= unsigned(c == u'"');
            upper[k] = asciiUpper(c);
        }
        if (forToUpper) {
            makeRoomForUpperCaseOf(Block);
            for (const qsizetype blockEnd = next + Block; next < blockEnd;)
                step();
            continue;
        }
        makeRoom(Block);
        if (quotes) {
            for (const char16_t c : upper) {
                out[kept] = QChar(c);
                kept += c != u'"';
            }
        } else {
            std::copy(upper, upper + Block, out + kept);
            kept += Block;
        }
        next += Block;
    }
    makeRoomForUpperCaseOf(size - next);
    while (next < size)
        step();
    result.truncate(kept);
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
        Show(form, SimNoAnswerMessage);
        return;
    }

    const auto upperCased = withoutQuotesUpperCased(answer);
    if (!upperCased)
        return; // the lookup was cancelled: nobody waits for the fields
    const QString& page = *upperCased;
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
