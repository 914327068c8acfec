#include "ReadIccid.h"

#include "Characters.h"

#include <QStringList>

namespace lookup::offline {

namespace {

using namespace characters;

// Country codes after the industry code 89 are E.164 calling codes (ITU-T
// E.118; Wikipedia "SIM card", section ICCID). Calling codes are prefix-free,
// so a short table cannot misread a longer code; codes not here are unknown.
// North American issuers write their code 1 as 01, Kazakhstan uses 997, not 7.
struct Country {
    const char16_t* code;
    const char16_t* name;
};
constexpr Country Countries[] = {
    {u"86", u"中国"},
    {u"852", u"中国香港"},
    {u"853", u"中国澳门"},
    {u"886", u"中国台湾"},
    {u"01", u"北美"},
    {u"1", u"北美"},
    {u"7", u"俄罗斯"},
    {u"33", u"法国"},
    {u"44", u"英国"},
    {u"49", u"德国"},
    {u"61", u"澳大利亚"},
    {u"65", u"新加坡"},
    {u"81", u"日本"},
    {u"82", u"韩国"},
};

// Chinese issuers: the two digits after 8986 follow the operators' mobile
// network codes under MCC 460 (ITU-T E.212; Wikipedia "Mobile Network Codes
// in ITU region 4xx").
struct Carrier {
    char16_t issuer[3];
    const char16_t* name;
};
constexpr Carrier Carriers[] = {
    {u"00", u"中国移动"},
    {u"02", u"中国移动"},
    {u"04", u"中国移动"},
    {u"07", u"中国移动"},
    {u"01", u"中国联通"},
    {u"06", u"中国联通"},
    {u"09", u"中国联通"},
    {u"03", u"中国电信"},
    {u"11", u"中国电信"},
};

// China Mobile's province codes (9th-10th digits of 898600 cards). Published
// tables disagree from 22 on; this one is the national division order
// (GB/T 2260) without Chongqing, which became a municipality in 1997 and was
// given the next free code, 31. It is the table of the oldest copies found
// (ydtt.cn forum, 2006; a MOTO forum post on ikaka.com), before later copies
// moved Chongqing up to 23 and Tibet down to 31.
constexpr const char16_t* Provinces[] = {
    nullptr,
    u"北京",
    u"天津",
    u"河北",
    u"山西",
    u"内蒙古",
    u"辽宁",
    u"吉林",
    u"黑龙江",
    u"上海",
    u"江苏",
    u"浙江",
    u"安徽",
    u"福建",
    u"江西",
    u"山东",
    u"河南",
    u"湖北",
    u"湖南",
    u"广东",
    u"广西",
    u"海南",
    u"四川",
    u"贵州",
    u"云南",
    u"西藏",
    u"陕西",
    u"甘肃",
    u"青海",
    u"宁夏",
    u"新疆",
    u"重庆",
};

QString countryOf(QStringView afterIndustry)
{
    for (const Country& country : Countries)
        if (afterIndustry.startsWith(QStringView(country.code)))
            return QString::fromUtf16(country.name);
    return {};
}

QString carrierOf(QStringView issuer)
{
    for (const Carrier& carrier : Carriers)
        if (issuer == QStringView(carrier.issuer, 2))
            return QString::fromUtf16(carrier.name);
    return {};
}

// Two digits of a card's year: the Chinese GSM networks opened in 1994, and
// no card was made after today. Anything else is no year (0).
int yearOf(QStringView digits, QDate today)
{
    if (!allDigits(digits))
        return 0;
    const int twoDigits = digits.toInt();
    const int year = twoDigits >= 94 ? 1900 + twoDigits : 2000 + twoDigits;
    return year <= today.year() ? year : 0;
}

IccidReading refused(QString problem)
{
    IccidReading reading;
    reading.problem = std::move(problem);
    reading.summary = QStringLiteral("ICCID ") + reading.problem;
    return reading;
}

void readChinese(IccidReading& reading, QDate today)
{
    const QStringView iccid(reading.digits);
    reading.issuer = iccid.mid(4, 2).toString();
    reading.carrier = carrierOf(reading.issuer);
    reading.check = CheckDigit::NotUsed;
    QStringList parts {reading.carrier.isEmpty()
            ? QStringLiteral("中国 · 运营商未知（%1）").arg(reading.issuer)
            : reading.carrier};
    if (reading.issuer == u"00") {
        if (isAsciiDigit(iccid[6]))
            reading.numberSegment = QStringLiteral("13") + iccid[6];
        const QStringView province = iccid.mid(8, 2);
        const int code = allDigits(province) ? province.toInt() : 0;
        if (code >= 1 && code < int(std::size(Provinces)))
            reading.province = QString::fromUtf16(Provinces[code]);
        reading.year = yearOf(iccid.mid(10, 2), today);
        parts << (reading.numberSegment.isEmpty() ? QStringLiteral("号段未知")
                                                  : reading.numberSegment + QStringLiteral("号段"))
              << (reading.province.isEmpty() ? QStringLiteral("省份未知") : reading.province);
    } else if (reading.issuer == u"01") {
        reading.year = yearOf(iccid.mid(6, 2), today);
    }
    if (reading.issuer == u"00" || reading.issuer == u"01")
        parts << (reading.year ? QString::number(reading.year) + u'年'
                               : QStringLiteral("年份未知"));
    QString summary = QStringLiteral("ICCID ") + parts.join(QStringLiteral(" · "));
    if (reading.issuer == u"00" || reading.issuer == u"01")
        summary += QStringLiteral(" (仅供参考)");
    if (!isAsciiDigit(iccid.back()))
        summary += QStringLiteral(" · 末位“%1”为字母，非校验位").arg(iccid.back());
    reading.summary = summary;
}

} // namespace

IccidReading ReadIccid(QStringView text, QDate today)
{
    const Cleaned cleaned = clean(text, u"-", true);
    if (cleaned.badAt >= 0)
        return refused(badCharacter(text, cleaned.badAt, u"不是数字"));
    const QString& iccid = cleaned.kept;
    if (iccid.isEmpty())
        return {};
    // Chinese issuers print letters after their six-digit prefix; nobody else does.
    const bool chinese = iccid.startsWith(u"8986");
    for (qsizetype i = 0; i < iccid.size(); ++i)
        if (isAsciiLetter(iccid[i]) && (!chinese || i < 6))
            return refused(badCharacter(text, cleaned.at[i], u"不是数字"));
    if (iccid.size() < 19 || iccid.size() > 20)
        return refused(QStringLiteral("应为19或20位（现 %1 位）").arg(iccid.size()));
    if (!iccid.startsWith(u"89"))
        return refused(QStringLiteral("应以89开头（现为“%1”）").arg(QStringView(iccid).left(2)));

    IccidReading reading;
    reading.digits = iccid;
    reading.country = countryOf(QStringView(iccid).mid(2));
    if (chinese) {
        readChinese(reading, today);
        return reading;
    }
    // Everyone else: E.118's Luhn digit over all that comes before it.
    reading.rightCheckDigit = luhnCheckDigit(QStringView(iccid).chopped(1));
    const QString country
        = reading.country.isEmpty() ? QStringLiteral("国家代码未知") : reading.country;
    if (iccid.back().unicode() - u'0' == reading.rightCheckDigit) {
        reading.check = CheckDigit::Right;
        reading.summary = QStringLiteral("ICCID %1 · 校验位正确").arg(country);
    } else {
        reading.check = CheckDigit::Wrong;
        reading.summary = QStringLiteral("ICCID %1 · 校验位应为 %2，请核对")
                              .arg(country)
                              .arg(reading.rightCheckDigit);
    }
    return reading;
}

} // namespace lookup::offline
