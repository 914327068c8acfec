#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <optional>

// The dates the warranty services print, read and shown the way the user's
// locale writes them.
namespace lookup {

// A date as read from a page; the time of day only when the page gave one.
struct DeviceDate {
    QDate date;
    std::optional<QTime> time;
};

// Where "today" and the user's locale come from. Tests pin both so that days
// left and short dates do not depend on the machine or the day they run.
// Lookups run on a worker thread, so every access is locked.
class DateSource {
public:
    static QDate today(); // QDate::currentDate() unless pinned
    static QLocale locale(); // QLocale::system() unless pinned
    static void pin(QDate today, const QLocale& locale);
    static void unpin();
};

// Reads a date, with an optional time of day after it, leniently: blanks
// around it are ignored and any run of blanks inside it (no-break spaces
// included) reads as one, month names may be English (tried first) or the
// locale's, a leading weekday is dropped when the text does not read with it,
// and an all-numeric day and month are taken in the order the locale writes
// them. Nothing when the text is not one date (or names a day that does not
// exist), and nothing when the thread is asked to stop meanwhile.
std::optional<DeviceDate> ReadDeviceDate(const QString& text);

// The locale's short date, followed by the time only when one was read and it
// is not midnight.
QString EndDateText(const DeviceDate& date);

// Days from today (midnight) to the date (midnight when no time was read):
// a whole number, or with its fraction when a time was read (plain decimals,
// never an exponent, up to 15 significant digits, the locale's decimal
// separator); no grouping, no unit.
QString DaysLeftText(const DeviceDate& date);

// The coverage runs a year from the first activation, so that day is
// estimated as one calendar year back (29 February becomes 28 February) plus
// one day: "yyyy-MM-dd" followed by "(北京时间)".
QString FirstActivationText(const DeviceDate& date);

} // namespace lookup
