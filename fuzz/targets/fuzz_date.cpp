// The date reader, in the locale the input's first byte picks; the rest of
// the input, as UTF-8, is the text read.
//
// Beyond crashes and slowness it checks what can be checked without knowing
// the answer: a date it reads reads the same when written back (ISO and the
// sites' English forms), a text that reads as one date in C, en_US and
// en_GB (English, whatever the numeric order) reads as that date in every
// locale, and days left are written without an exponent.

#include "support/Check.h"
#include "support/Locales.h"

#include "lookup/device/DeviceDates.h"

#include <QRegularExpression>

#include <cstdint>

using lookup::DateSource;
using lookup::DeviceDate;

namespace {

bool same(const std::optional<DeviceDate>& a, const std::optional<DeviceDate>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->date == b->date && a->time == b->time;
}

QString shown(const std::optional<DeviceDate>& date)
{
    if (!date)
        return QStringLiteral("(nothing)");
    return date->date.toString(Qt::ISODate)
        + (date->time ? QLatin1Char(' ') + date->time->toString(Qt::ISODate) : QString());
}

std::optional<DeviceDate> readIn(const QLocale& locale, const QString& text)
{
    DateSource::pin(fuzz::Today, locale);
    return lookup::ReadDeviceDate(text);
}

// Written back in a form the reader must understand, in the same locale.
void checkWrittenBack(const DeviceDate& date, const QLocale& locale, const QString& text)
{
    const QLocale english = QLocale::c();
    QString time;
    if (date.time)
        time = QLatin1Char(' ') + date.time->toString(QStringLiteral("HH:mm:ss"));
    for (const QString& form : {date.date.toString(QStringLiteral("yyyy-MM-dd")) + time,
             english.toString(date.date, QStringLiteral("MMM d, yyyy")) + time,
             english.toString(date.date, QStringLiteral("MMMM d, yyyy")) + time,
             english.toString(date.date, QStringLiteral("d MMM yyyy")) + time}) {
        const auto again = readIn(locale, form);
        fuzz::check(same(again, date), "a date read does not read the same when written back",
            locale.name() + QStringLiteral(": \"") + text + QStringLiteral("\" read as ")
                + shown(date) + QStringLiteral(", \"") + form + QStringLiteral("\" as ")
                + shown(again));
    }
}

void checkWritten(const DeviceDate& date, const QLocale& locale)
{
    static const QRegularExpression plainNumber(QStringLiteral(R"(\A-?[0-9]+(?:[^0-9][0-9]+)?\z)"));
    for (const QDate today : {fuzz::Today, date.date}) {
        DateSource::pin(today, locale);
        const QString days = lookup::DaysLeftText(date);
        fuzz::check(plainNumber.match(days).hasMatch(), "days left not a plain number",
            locale.name() + QStringLiteral(": ") + shown(date) + QStringLiteral(" gives ") + days);
        // Crashes and sanitizer reports only.
        (void)lookup::EndDateText(date);
        (void)lookup::FirstActivationText(date);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QLocale& locale = fuzz::localeFor(data[0]);
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const auto date = readIn(locale, text);
    if (date) {
        checkWrittenBack(*date, locale, text);
        checkWritten(*date, locale);
    }

    static const QLocale american(QStringLiteral("en_US"));
    static const QLocale british(QStringLiteral("en_GB"));
    const auto inC = readIn(QLocale::c(), text);
    if (inC && same(inC, readIn(american, text)) && same(inC, readIn(british, text)))
        fuzz::check(same(date, inC), "an English date reads otherwise in this locale",
            locale.name() + QStringLiteral(": \"") + text + QStringLiteral("\" reads as ")
                + shown(date) + QStringLiteral(", in C as ") + shown(inC));
    return 0;
}
