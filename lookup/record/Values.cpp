#include "Values.h"

#include "lookup/Messages.h"
#include "lookup/device/DeviceResults.h"

#include <QRegularExpression>

#include <cmath>

namespace lookup {

namespace {

QVariant replaced(const QString& text, const QLocale&)
{
    if (text == ReplacedText)
        return true;
    if (text == NotReplacedText)
        return false;
    return {};
}

QVariant activated(const QString& text, const QLocale&)
{
    if (text == ActivatedText)
        return true;
    if (text == NotActivatedText)
        return false;
    return {};
}

// The IMEI site's lookup writes a notice after the version, answered or not.
QVariant iosVersion(const QString& text, const QLocale&)
{
    QString version = text;
    if (version.endsWith(IosServiceNotice))
        version.chop(IosServiceNotice.size());
    if (version.isEmpty())
        return {};
    return version;
}

// "有效" alone, or with the IMEI site's notes after it.
QVariant active(const QString& text, const QLocale&)
{
    if (text.startsWith(ActiveText))
        return true;
    if (text == ExpiredText)
        return false;
    return {};
}

// "yyyy-MM-dd(北京时间)".
QVariant firstActivation(const QString& text, const QLocale&)
{
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    return date.isValid() ? QVariant(date) : QVariant();
}

// The locale's short date, a time of day after it when the site gave one.
QVariant endDate(const QString& text, const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString candidate = text;
    for (;;) {
        QDate date = locale.toDate(candidate, format);
        if (date.isValid()) {
            // A two-digit year reads as 19xx; coverage ends are this century's.
            if (!format.contains(QLatin1String("yyyy")) && date.year() < 2000)
                date = date.addYears(100);
            return date;
        }
        const qsizetype blank = candidate.lastIndexOf(QLatin1Char(' '));
        if (blank <= 0)
            return {};
        candidate.truncate(blank);
    }
}

// Whole days, with or without the IMEI site's "天" after them. With a time of
// day the text has a fraction of a day: the whole days are the calendar days
// to the end date, which is its floor, for a date past as for one to come.
QVariant daysLeft(const QString& text, const QLocale& locale)
{
    QString number = text;
    if (number.endsWith(QStringLiteral("天")))
        number.chop(1);
    number.replace(locale.decimalPoint(), QStringLiteral("."));
    static const QRegularExpression plain(QStringLiteral(R"(\A-?[0-9]+(\.[0-9]+)?\z)"));
    if (!plain.match(number).hasMatch())
        return {};
    return qint64(std::floor(number.toDouble()));
}

struct Reading {
    const char* key;
    Box box;
    QVariant (*read)(const QString& text, const QLocale& locale);
};

const std::vector<Reading>& readings()
{
    static const std::vector<Reading> list {
        {"replaced", T(1), replaced},
        {"activated", T(3), activated},
        {"ios_version", T(10), iosVersion},
        {"first_activation", T(4), firstActivation},
        {"warranty_active", T(5), active},
        {"warranty_end", T(6), endDate},
        {"warranty_days_left", T(7), daysLeft},
        {"phone_support_active", T(8), active},
        {"phone_support_end", T(9), endDate},
    };
    return list;
}

} // namespace

const std::vector<const char*>& ValueKeys()
{
    static const std::vector<const char*> keys = [] {
        std::vector<const char*> list;
        for (const Reading& reading : readings())
            list.push_back(reading.key);
        return list;
    }();
    return keys;
}

std::vector<Value> ValuesOf(const Record& record, const QLocale& locale)
{
    std::vector<Value> values;
    if (!record.lookedUp || (record.kind != Kind::Serial && record.kind != Kind::Imei))
        return values;
    for (const Reading& reading : readings())
        values.push_back({reading.key,
            record.written(reading.box) ? reading.read(record.text(reading.box), locale)
                                        : QVariant()});
    return values;
}

} // namespace lookup
