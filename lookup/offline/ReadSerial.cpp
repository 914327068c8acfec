#include "ReadSerial.h"

#include "Characters.h"

namespace lookup::offline {

namespace {

using namespace characters;

// The 12-character format's date codes (in use from 2010 to early 2021).
// Source: the MacRumors report "Apple tweaks serial number format with new
// MacBook Pro" (16 April 2010) as tabulated by the ivc wiki page "Apple Serial
// Number Look-up" (2016); two Chinese guides to iPhone serials agree.
// Half-years: C is the first half of 2010 (or 2020), D its second half, and so
// on; vowels and B are left out, so the code repeats every ten years.
constexpr QStringView HalfYears = u"CDFGHJKLMNPQRSTVWXYZ";
// The format's last week: random serial numbers came with the purple iPhone 12
// (on sale 30 April 2021, MacRumors, 5 May 2021), so of the 202x readings only
// C, D and the first weeks of F were ever made.
const QDate EndOf12(2021, 4, 30);
// Week within the half-year, 1 to 27; vowels, B, S and Z are left out.
constexpr QStringView Weeks = u"123456789CDFGHJKLMNPQRTVWXY";

// The 11-character format ran until the 12-character one replaced it (2010 on
// Macs, by 2012 on the last iPods and iPhones); its year digit is read as a
// year of that era, never later.
constexpr int LastYearOf11 = 2012;

// Factory codes of the 12-character format, by their first two characters.
// Sources disagree on most codes; only these are named by two or more of:
// appbuntu.com "Kode pabrik pembuatan iPhone" (2016: C0 Quanta, C3 China,
// C7 Shanghai), photoint.net "序列号对照表" and a Chinese iPhone forum guide
// (C 深圳, D 成都, F 郑州 for iPhones; G0 上海和硕, G6 深圳). The one-letter
// rule of the Chinese guides is applied only to the iPhone codes named here,
// not to Mac codes that share a first letter. Everything else is unknown.
struct Factory {
    char16_t code[3];
    const char16_t* place;
};
constexpr Factory Factories[] = {
    {u"C0", u"广达"},
    {u"C3", u"深圳"},
    {u"C7", u"上海"},
    {u"DN", u"成都"},
    {u"F1", u"郑州"},
    {u"F2", u"郑州"},
    {u"FK", u"郑州"},
    {u"G0", u"上海"},
    {u"G6", u"深圳"},
};

QString factoryPlaceOf(QStringView code)
{
    for (const Factory& factory : Factories)
        if (code.left(2) == QStringView(factory.code, 2))
            return QString::fromUtf16(factory.place);
    return {};
}

// The first day of `week` of `year`, as the serial counts weeks (from 1 January).
QDate weekStart(int year, int week)
{
    return QDate(year, 1, 1).addDays(7 * (week - 1));
}

SerialReading refused(QString problem)
{
    SerialReading reading;
    reading.problem = std::move(problem);
    reading.summary = QStringLiteral("序列号 ") + reading.problem;
    return reading;
}

QString yearsText(const QList<int>& years)
{
    QString text;
    for (int year : years) {
        if (!text.isEmpty())
            text += u'或';
        text += QString::number(year) + u'年';
    }
    return text;
}

void summarise(SerialReading& reading)
{
    const QString when = reading.years.isEmpty()
        ? QStringLiteral("生产时间不明")
        : QStringLiteral("%1第%2周生产").arg(yearsText(reading.years)).arg(reading.week);
    const QString place
        = reading.factoryPlace.isEmpty() ? QStringLiteral("地点未知") : reading.factoryPlace;
    reading.summary = QStringLiteral("序列号 %1 · 工厂 %2（%3） · 配置码 %4")
                          .arg(when, reading.factory, place, reading.configuration);
}

} // namespace

SerialReading ReadSerial(QStringView text, QDate today)
{
    const Cleaned cleaned = clean(text, {}, true);
    if (cleaned.badAt >= 0)
        return refused(badCharacter(text, cleaned.badAt, u"不是字母或数字"));
    const QString& serial = cleaned.kept;
    if (serial.isEmpty())
        return {};
    for (qsizetype i = 0; i < serial.size(); ++i) {
        if (serial[i] == u'O' || serial[i] == u'I')
            return refused(badCharacter(text, cleaned.at[i], u"不会出现在序列号中")
                + (serial[i] == u'O' ? QStringLiteral("，是否为0？")
                                     : QStringLiteral("，是否为1？")));
    }

    SerialReading reading;
    switch (serial.size()) {
    case 10:
        reading.format = SerialReading::Format::Random10;
        reading.summary = QStringLiteral("序列号 10位随机格式（2021年起），不含生产信息");
        return reading;
    case 11: {
        if (!isAsciiDigit(serial[2]))
            return refused(badCharacter(text, cleaned.at[2], u"不是年份数字"));
        const QStringView week = QStringView(serial).mid(3, 2);
        const int weekNumber = allDigits(week) ? week.toInt() : 0;
        if (weekNumber < 1 || weekNumber > 53)
            return refused(QStringLiteral("第4–5位“%1”不是周数").arg(week));
        reading.format = SerialReading::Format::Dated11;
        reading.factory = serial.left(2);
        reading.week = weekNumber;
        const int digit = serial[2].unicode() - u'0';
        for (int year : {2010 + digit, 2000 + digit})
            if (year <= LastYearOf11 && weekStart(year, weekNumber) <= today)
                reading.years.append(year);
        reading.unit = serial.mid(5, 3);
        reading.configuration = serial.mid(8, 3);
        break;
    }
    case 12: {
        const qsizetype half = HalfYears.indexOf(serial[3]);
        if (half < 0)
            return refused(badCharacter(text, cleaned.at[3], u"不是年份代码"));
        const qsizetype week = Weeks.indexOf(serial[4]);
        if (week < 0)
            return refused(badCharacter(text, cleaned.at[4], u"不是周代码"));
        reading.format = SerialReading::Format::Dated12;
        reading.factory = serial.left(3);
        reading.factoryPlace = factoryPlaceOf(reading.factory);
        // The second half of a year counts its weeks on from the 27th.
        reading.week = int(week) + 1 + (half % 2 == 1 ? 26 : 0);
        // The code means 201x or 202x: the later only where the format lasted
        // until that week, and neither before the week has begun.
        for (int year : {2020 + int(half / 2), 2010 + int(half / 2)})
            if (const QDate start = weekStart(year, reading.week);
                start <= EndOf12 && start <= today)
                reading.years.append(year);
        reading.unit = serial.mid(5, 3);
        reading.configuration = serial.mid(8, 4);
        break;
    }
    default: return refused(QStringLiteral("应为10、11或12位（现 %1 位）").arg(serial.size()));
    }
    summarise(reading);
    return reading;
}

} // namespace lookup::offline
