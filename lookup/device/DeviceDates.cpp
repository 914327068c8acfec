#include "DeviceDates.h"

#include <QRegularExpression>

#include <array>
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

constexpr auto Pattern = QRegularExpression::CaseInsensitiveOption;

// Every date form below is matched at the start of the text; what follows it
// (group "rest") may only be a time of day.
const QRegularExpression YearFirst(
    QStringLiteral(
        R"(\A([0-9]{4})\s*([-/.])\s*([0-9]{1,2})\s*\2\s*([0-9]{1,2})(?![0-9])(?<rest>.*)\z)"),
    Pattern);
const QRegularExpression ChineseDate(
    QStringLiteral(R"(\A([0-9]{4})\s*年\s*([0-9]{1,2})\s*月\s*([0-9]{1,2})\s*日(?<rest>.*)\z)"),
    Pattern);
const QRegularExpression YearLast(
    QStringLiteral(
        R"(\A([0-9]{1,2})\s*([-/.])\s*([0-9]{1,2})\s*\2\s*([0-9]{4}|[0-9]{2})(?![0-9])(?<rest>.*)\z)"),
    Pattern);
const QRegularExpression MonthNameFirst(
    QStringLiteral(
        R"(\A(\p{L}+)\.?\s*([0-9]{1,2})(?:st|nd|rd|th)?\s*,?\s*([0-9]{4})(?![0-9])(?<rest>.*)\z)"),
    Pattern);
const QRegularExpression DayFirst(
    QStringLiteral(
        R"(\A([0-9]{1,2})\.?(?:\s+|\s*[-/]\s*)(\p{L}+)\.?(?:\s*,?\s+|\s*[-/]\s*)([0-9]{4})(?![0-9])(?<rest>.*)\z)"),
    Pattern);
const QRegularExpression LeadingWord(QStringLiteral(R"(\A(\p{L}+)\.?,?\s+)"));
const QRegularExpression TimeOfDay(
    QStringLiteral(R"(\A(?:,|T)?\s*([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?\s*([^\s0-9]+)?\s*\z)"),
    Pattern);

// The pages are in English whatever the user's language, so English names
// (the C locale's) are always understood besides the locale's own.
std::array<QLocale, 2> nameLocales(const QLocale& locale)
{
    return {locale, QLocale::c()};
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

// "Wednesday, June 10, 2015" reads like "June 10, 2015".
QString withoutDayName(const QString& text, const QLocale& locale)
{
    const auto match = LeadingWord.match(text);
    if (match.hasMatch() && isDayName(match.captured(1), locale))
        return text.mid(match.capturedLength());
    return text;
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

bool isMeridiem(const QString& word, const QLocale& locale, bool afternoon)
{
    QString plain = word;
    plain.remove(QLatin1Char('.'));
    const QString english = afternoon ? QStringLiteral("PM") : QStringLiteral("AM");
    const QString own = afternoon ? locale.pmText() : locale.amText();
    return plain.compare(english, Qt::CaseInsensitive) == 0
        || (!own.isEmpty() && word.compare(own, Qt::CaseInsensitive) == 0);
}

// What may follow a date: nothing, or one time of day. Nothing at all (not
// even an empty time) when it is anything else.
std::optional<std::optional<QTime>> readTimeOfDay(const QString& rest, const QLocale& locale)
{
    const QString text = rest.trimmed();
    if (text.isEmpty())
        return std::optional<QTime>();
    const auto match = TimeOfDay.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const int second = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    if (const QString meridiem = match.captured(4); !meridiem.isEmpty()) {
        const bool morning = isMeridiem(meridiem, locale, false);
        const bool afternoon = isMeridiem(meridiem, locale, true);
        if ((!morning && !afternoon) || hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (afternoon ? 12 : 0);
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
    if (auto m = YearFirst.match(text); m.hasMatch())
        return DateMatch {
            QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt()),
            m.captured(u"rest")};
    if (auto m = ChineseDate.match(text); m.hasMatch())
        return DateMatch {
            QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
            m.captured(u"rest")};
    if (auto m = YearLast.match(text); m.hasMatch()) {
        int first = m.captured(1).toInt();
        int second = m.captured(3).toInt();
        if (dayBeforeMonth(locale))
            std::swap(first, second);
        return DateMatch {QDate(fullYear(m.captured(4)), first, second), m.captured(u"rest")};
    }
    if (auto m = MonthNameFirst.match(text); m.hasMatch()) {
        if (const int month = monthNumber(m.captured(1), locale))
            return DateMatch {
                QDate(m.captured(3).toInt(), month, m.captured(2).toInt()), m.captured(u"rest")};
    }
    if (auto m = DayFirst.match(text); m.hasMatch()) {
        if (const int month = monthNumber(m.captured(2), locale))
            return DateMatch {
                QDate(m.captured(3).toInt(), month, m.captured(1).toInt()), m.captured(u"rest")};
    }
    return std::nullopt;
}

// ---- Writing ---------------------------------------------------------------

// The locale's long time without its time-zone name: the pages name no zone,
// and the program converts none.
QString timeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            result += c;
    }
    return result.trimmed();
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
    const auto datePart = readDatePart(withoutDayName(text.trimmed(), locale), locale);
    if (!datePart || !datePart->date.isValid())
        return std::nullopt;
    const auto time = readTimeOfDay(datePart->rest, locale);
    if (!time)
        return std::nullopt;
    return DeviceDate {datePart->date, *time};
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
    constexpr double MsecsPerDay = 24.0 * 60 * 60 * 1000;
    const double days = double(wholeDays) + date.time->msecsSinceStartOfDay() / MsecsPerDay;
    QString text = QString::number(days, 'g', 15);
    text.replace(QLatin1Char('.'), DateSource::locale().decimalPoint());
    return text;
}

QString FirstActivationText(const DeviceDate& date)
{
    return date.date.addYears(-1).addDays(1).toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral("(北京时间)");
}

} // namespace lookup
