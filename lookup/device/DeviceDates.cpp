#include "DeviceDates.h"

#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace lookup {

namespace {

// ---- Where today and the locale come from ---------------------------------

struct PinnedSource {
    std::mutex mutex;
    std::optional<QDate> today;
    std::optional<QLocale> locale;
};

PinnedSource& pinned()
{
    static PinnedSource source;
    return source;
}

// ---- Reading ---------------------------------------------------------------

// No date, with its weekday and time of day, takes more characters than this
// once its blanks are collapsed ("Wednesday, September 30, 2015 12:45:30
// PM" is 42, and a locale's long names add a few). Longer text is no date,
// and the patterns never see it.
constexpr qsizetype LongestDate = 100;

// How many characters are scanned between two checks for a cancelled lookup.
constexpr qsizetype CharactersBetweenChecks = qsizetype(1) << 16;

// The text with every run of blanks (no-break spaces and other Unicode
// blanks included: a page may put one between the parts of a date) made one
// space, and none at either end. Nothing when that is longer than any date,
// or when the lookup was cancelled meanwhile. Linear in the text: a section
// read whole may be long.
std::optional<QString> collapsedBlanks(QStringView text)
{
    QString collapsed;
    bool blankPending = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (at % CharactersBetweenChecks == CharactersBetweenChecks - 1
            && QThread::currentThread()->isInterruptionRequested())
            return std::nullopt;
        const QChar c = text[at];
        if (c.isSpace()) {
            blankPending = !collapsed.isEmpty();
            continue;
        }
        if (collapsed.size() + (blankPending ? 2 : 1) > LongestDate)
            return std::nullopt;
        if (blankPending)
            collapsed += QLatin1Char(' ');
        blankPending = false;
        collapsed += c;
    }
    return collapsed;
}

// The patterns read text whose blanks are single spaces, so each blank in a
// pattern is one optional or required space: no two quantified parts can
// share a run of blanks, and no pattern backtracks more than a few steps per
// character. The text is never longer than LongestDate besides.
//
// Qt documents QRegularExpression as reentrant, not thread-safe: separate
// objects may be used on separate threads at once, one shared object is not
// promised to be. Lookups run on worker threads (and may run side by side),
// so each thread compiles its own patterns, once.
constexpr auto Pattern = QRegularExpression::CaseInsensitiveOption;

struct Patterns {
    // Every date form is matched at the start of the text; what follows it
    // (group "rest") may only be a time of day.
    QRegularExpression yearFirst {
        QStringLiteral(
            R"(\A([0-9]{4}) ?([-/.]) ?([0-9]{1,2}) ?\2 ?([0-9]{1,2})(?![0-9])(?<rest>.*+)\z)"),
        Pattern};
    QRegularExpression chineseDate {
        QStringLiteral(R"(\A([0-9]{4}) ?年 ?([0-9]{1,2}) ?月 ?([0-9]{1,2}) ?日(?<rest>.*+)\z)"),
        Pattern};
    QRegularExpression yearLast {
        QStringLiteral(
            R"(\A([0-9]{1,2}) ?([-/.]) ?([0-9]{1,2}) ?\2 ?([0-9]{4}|[0-9]{2})(?![0-9])(?<rest>.*+)\z)"),
        Pattern};
    QRegularExpression monthNameFirst {
        QStringLiteral(
            R"(\A(\p{L}++)\.? ?([0-9]{1,2})(?:st|nd|rd|th)? ?,? ?([0-9]{4})(?![0-9])(?<rest>.*+)\z)"),
        Pattern};
    QRegularExpression dayFirst {
        QStringLiteral(
            R"(\A([0-9]{1,2})\.?(?: | ?[-/] ?)(\p{L}++)\.?(?: ?,? | ?[-/] ?)([0-9]{4})(?![0-9])(?<rest>.*+)\z)"),
        Pattern};
    QRegularExpression leadingWord {QStringLiteral(R"(\A(\p{L}++)\.?,? )")};
    QRegularExpression timeOfDay {
        QStringLiteral(R"(\A(?:,|T)? ?([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))? ?([^ 0-9]++)?\z)"),
        Pattern};
};

const Patterns& patterns()
{
    thread_local const Patterns compiled;
    return compiled;
}

// The pages are in English whatever the user's language, so English names
// (the C locale's) are tried first, and the locale's own only after them: a
// locale may use an English month's abbreviation for another month, or for a
// weekday ("Mar" is Tuesday in Spanish).
std::array<QLocale, 2> nameLocales(const QLocale& locale)
{
    return {QLocale::c(), locale};
}

bool sameName(QString text, QString name)
{
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return !name.isEmpty() && text.compare(name, Qt::CaseInsensitive) == 0;
}

int monthNumber(const QString& name, const QLocale& locale)
{
    for (const QLocale& names : nameLocales(locale)) {
        for (int month = 1; month <= 12; ++month) {
            for (const auto form : {QLocale::LongFormat, QLocale::ShortFormat}) {
                if (sameName(name, names.monthName(month, form))
                    || sameName(name, names.standaloneMonthName(month, form)))
                    return month;
            }
        }
    }
    return 0;
}

bool isDayName(const QString& name, const QLocale& locale)
{
    for (const QLocale& names : nameLocales(locale)) {
        for (int day = 1; day <= 7; ++day) {
            for (const auto form : {QLocale::LongFormat, QLocale::ShortFormat}) {
                if (sameName(name, names.dayName(day, form)))
                    return true;
            }
        }
    }
    return false;
}

// "Wednesday, June 10, 2015" without its weekday; nothing when the text does
// not begin with a weekday's name.
std::optional<QString> withoutDayName(const QString& text, const QLocale& locale)
{
    const auto match = patterns().leadingWord.match(text);
    if (match.hasMatch() && isDayName(match.captured(1), locale))
        return text.mid(match.capturedLength());
    return std::nullopt;
}

// An all-numeric day and month are as ambiguous as "6/10": take them in the
// order of the locale's own short date.
bool dayBeforeMonth(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    return day >= 0 && month >= 0 && day < month;
}

// Two-digit years the way the desktop reads them: up to 29 in this century.
int fullYear(const QString& digits)
{
    const int year = digits.toInt();
    if (digits.size() > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// Whether `word` names the afternoon: true or false when it is English "AM"
// or "PM" (dots allowed), else the locale's own words for them, else nothing.
// English first, as with month names.
std::optional<bool> isAfternoon(const QString& word, const QLocale& locale)
{
    QString plain = word;
    plain.remove(QLatin1Char('.'));
    for (const bool afternoon : {false, true}) {
        if (plain.compare(afternoon ? u"PM" : u"AM", Qt::CaseInsensitive) == 0)
            return afternoon;
    }
    for (const bool afternoon : {false, true}) {
        const QString own = afternoon ? locale.pmText() : locale.amText();
        if (!own.isEmpty() && word.compare(own, Qt::CaseInsensitive) == 0)
            return afternoon;
    }
    return std::nullopt;
}

// What may follow a date: nothing, or one time of day. Nothing at all (not
// even an empty time) when it is anything else.
std::optional<std::optional<QTime>> readTimeOfDay(const QString& rest, const QLocale& locale)
{
    const QString text = rest.trimmed();
    if (text.isEmpty())
        return std::optional<QTime>();
    const auto match = patterns().timeOfDay.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const int second = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    if (const QString meridiem = match.captured(4); !meridiem.isEmpty()) {
        const auto afternoon = isAfternoon(meridiem, locale);
        if (!afternoon || hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (*afternoon ? 12 : 0);
    }
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return std::nullopt;
    return std::optional<QTime>(time);
}

struct DateMatch {
    QDate date;
    QString rest;
};

std::optional<DateMatch> readDatePart(const QString& text, const QLocale& locale)
{
    const Patterns& read = patterns();
    if (auto m = read.yearFirst.match(text); m.hasMatch())
        return DateMatch {
            QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt()),
            m.captured(u"rest")};
    if (auto m = read.chineseDate.match(text); m.hasMatch())
        return DateMatch {
            QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
            m.captured(u"rest")};
    if (auto m = read.yearLast.match(text); m.hasMatch()) {
        int first = m.captured(1).toInt();
        int second = m.captured(3).toInt();
        if (dayBeforeMonth(locale))
            std::swap(first, second);
        return DateMatch {QDate(fullYear(m.captured(4)), first, second), m.captured(u"rest")};
    }
    if (auto m = read.monthNameFirst.match(text); m.hasMatch()) {
        if (const int month = monthNumber(m.captured(1), locale))
            return DateMatch {
                QDate(m.captured(3).toInt(), month, m.captured(2).toInt()), m.captured(u"rest")};
    }
    if (auto m = read.dayFirst.match(text); m.hasMatch()) {
        if (const int month = monthNumber(m.captured(2), locale))
            return DateMatch {
                QDate(m.captured(3).toInt(), month, m.captured(1).toInt()), m.captured(u"rest")};
    }
    return std::nullopt;
}

// One date, with its time of day if any, in text whose blanks are collapsed.
std::optional<DeviceDate> readDate(const QString& text, const QLocale& locale)
{
    const auto datePart = readDatePart(text, locale);
    if (!datePart || !datePart->date.isValid())
        return std::nullopt;
    const auto time = readTimeOfDay(datePart->rest, locale);
    if (!time)
        return std::nullopt;
    return DeviceDate {datePart->date, *time};
}

// ---- Writing ---------------------------------------------------------------

// The locale's long time without its time-zone name: the pages name no zone,
// and the program converts none. What holds the name goes with it: brackets
// around it ("H:mm:ss (t)", "APh:mm:ss [t]") and the blanks or comma that join
// it to the time ("h:mm:ss AP, t", "t HH:mm:ss"). A "t" in quotes is text.
QString timeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    qsizetype from = -1;
    qsizetype to = -1;
    bool quoted = false;
    for (qsizetype at = 0; at < format.size(); ++at) {
        if (format[at] == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && format[at] == QLatin1Char('t')) {
            if (from < 0)
                from = at;
            to = at + 1;
        }
    }
    if (from < 0)
        return format;
    if (from > 0 && to < format.size() && format[from - 1].category() == QChar::Punctuation_Open
        && format[to].category() == QChar::Punctuation_Close) {
        --from;
        ++to;
    }
    const auto joins = [](QChar c) { return c.isSpace() || c == QLatin1Char(','); };
    while (from > 0 && joins(format[from - 1]))
        --from;
    if (from == 0)
        while (to < format.size() && joins(format[to]))
            ++to;
    return format.left(from) + format.mid(to);
}

} // namespace

QDate DateSource::today()
{
    PinnedSource& source = pinned();
    const std::lock_guard lock(source.mutex);
    return source.today.value_or(QDate::currentDate());
}

QLocale DateSource::locale()
{
    PinnedSource& source = pinned();
    const std::lock_guard lock(source.mutex);
    return source.locale.value_or(QLocale::system());
}

void DateSource::pin(QDate today, const QLocale& locale)
{
    PinnedSource& source = pinned();
    const std::lock_guard lock(source.mutex);
    source.today = today;
    source.locale = locale;
}

void DateSource::unpin()
{
    PinnedSource& source = pinned();
    const std::lock_guard lock(source.mutex);
    source.today.reset();
    source.locale.reset();
}

std::optional<DeviceDate> ReadDeviceDate(const QString& text)
{
    const QLocale locale = DateSource::locale();
    const auto collapsed = collapsedBlanks(text);
    if (!collapsed)
        return std::nullopt;
    if (auto date = readDate(*collapsed, locale))
        return date;
    // Only now is a leading word taken for a weekday: in some locales a
    // weekday's abbreviation is also an English month's ("Mar").
    if (const auto withoutWeekday = withoutDayName(*collapsed, locale))
        return readDate(*withoutWeekday, locale);
    return std::nullopt;
}

QString EndDateText(const DeviceDate& date)
{
    const QLocale locale = DateSource::locale();
    QString text = locale.toString(date.date, QLocale::ShortFormat);
    // Midnight is the start of the day the date names, as good as no time.
    if (date.time && *date.time != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(*date.time, timeFormat(locale));
    return text;
}

QString DaysLeftText(const DeviceDate& date)
{
    const qint64 wholeDays = DateSource::today().daysTo(date.date);
    if (!date.time)
        return QString::number(wholeDays);
    // Counted in whole milliseconds first, so that the one division is the
    // only rounding: days minus a fraction (23:59:59 the day before) must
    // not lose digits to cancellation.
    constexpr qint64 MsecsPerDay = 24 * 60 * 60 * 1000;
    const qint64 msecs = wholeDays * MsecsPerDay + date.time->msecsSinceStartOfDay();
    const double days = double(msecs) / double(MsecsPerDay);
    if (days == 0)
        return QStringLiteral("0");
    // Plain decimals, never an exponent (a time a second after midnight is
    // 1.2e-05 days): as many decimals as leave 15 significant digits, then
    // no trailing zeros.
    const int integerDigits = int(std::floor(std::log10(std::abs(days)))) + 1;
    QString text = QString::number(days, 'f', std::max(0, 15 - integerDigits));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    text.replace(QLatin1Char('.'), DateSource::locale().decimalPoint());
    return text;
}

QString FirstActivationText(const DeviceDate& date)
{
    return date.date.addYears(-1).addDays(1).toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral("(北京时间)");
}

} // namespace lookup
