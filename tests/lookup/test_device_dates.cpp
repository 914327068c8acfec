#include "lookup/device/DeviceDates.h"

#include "support/ReadingThread.h"

#include <QThread>
#include <QtTest>

#include <atomic>

using lookup::DateSource;

namespace {

const QDate Today(2015, 6, 7);

struct Row {
    const char* locale;
    const char* text;
    const char* expected;
};

} // namespace

class TestDeviceDates : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { DateSource::unpin(); }

    void reads_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // "yyyy-MM-dd", then " HH:mm:ss" when a time was read
        const Row rows[] = {
            {"en_US", "2015-06-10", "2015-06-10"},
            {"en_GB", "2015/6/10", "2015-06-10"},
            {"de_DE", "2015.06.10", "2015-06-10"},
            {"en_US", "June 10, 2015", "2015-06-10"},
            {"en_GB", "Jun 10, 2015", "2015-06-10"},
            {"de_DE", "10 June 2015", "2015-06-10"}, // English names in any locale
            {"en_US", "10-Jun-2015", "2015-06-10"},
            {"de_DE", "10. Juni 2015", "2015-06-10"},
            {"en_US", "Wednesday, June 10, 2015", "2015-06-10"},
            {"zh_CN", "2015年6月10日", "2015-06-10"},
            {"en_US", "6/10/2015", "2015-06-10"},
            {"en_GB", "6/10/2015", "2015-10-06"},
            {"de_DE", "6/10/2015", "2015-10-06"},
            {"en_US", "6/10/15", "2015-06-10"},
            {"en_US", " \t June 10, 2015  ", "2015-06-10"},
            {"en_GB", "2015-06-10 13:45", "2015-06-10 13:45:00"},
            {"de_DE", "10.06.2015 13:45:30", "2015-06-10 13:45:30"},
            {"en_US", "June 10, 2015 1:45 PM", "2015-06-10 13:45:00"},
            {"en_US", "6/10/2015 12:00 am", "2015-06-10 00:00:00"},
            {"en_US", "", ""},
            {"en_US", "abc", ""},
            {"en_US", "2015-02-30", ""},
            {"en_US", "13/13/2015", ""},
            {"en_US", "Smarch 10, 2015", ""},
            {"en_US", "June 10, 2015</p>", ""},
            {"en_US", "2015-06-10 25:00", ""},
            {"en_US", "2015-06-10 13:45 PM", ""},
            {"en_US", "June 10", ""},
            // No-break and other Unicode blanks inside a date are blanks.
            {"en_US", "June\u00a010,\u00a02015 1:45\u202fPM", "2015-06-10 13:45:00"},
            {"fr_FR", "10\u00a0June\u20032015", "2015-06-10"},
            {"en_US", "June\n\t10 ,  2015", "2015-06-10"},
            // A weekday goes only when the text does not read with it.
            {"es_ES", "Mar 10, 2016", "2016-03-10"},
            {"es_ES", "martes, 10 marzo 2016", "2016-03-10"},
            {"en_US", "Friday June 10, 2015", "2015-06-10"},
            {"en_US", "Juneday, June 10, 2015", ""},
            // English names first: "May" is another month in some locales.
            {"bas_CM", "May 10, 2016", "2016-05-10"},
        };
        for (const Row& row : rows)
            QTest::newRow(QByteArray(row.locale) + " \"" + row.text + '"')
                << row.locale << QString::fromUtf8(row.text) << row.expected;
    }
    void reads()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QString, read);
        DateSource::pin(Today, QLocale(locale));

        const auto date = lookup::ReadDeviceDate(text);
        QString seen;
        if (date) {
            seen = date->date.toString("yyyy-MM-dd");
            if (date->time)
                seen += date->time->toString(" HH:mm:ss");
        }
        QCOMPARE(seen, read);
    }

    // Today is 7 June 2015.
    void writes_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("endDate");
        QTest::addColumn<QString>("daysLeft");
        QTest::addColumn<QString>("firstActivation");
        struct Written {
            const char *locale, *text, *endDate, *daysLeft, *firstActivation;
        };
        const Written rows[] = {
            {"en_US", "June 10, 2015", "6/10/15", "3", "2014-06-11"},
            {"en_US", "2015-06-06", "6/6/15", "-1", "2014-06-07"},
            {"en_US", "2015-06-07", "6/7/15", "0", "2014-06-08"},
            {"en_US", "6/10/2015 12:00 am", "6/10/15", "3", "2014-06-11"}, // midnight: no time
            {"de_DE", "10.06.2015 00:00:00", "10.06.15", "3", "2014-06-11"},
            {"en_US", "June 7, 2015 1:45 AM", "6/7/15 1:45:00 AM", "0.0729166666666667",
                "2014-06-08"},
            {"de_DE", "2015-06-10 12:00", "10.06.15 12:00:00", "3,5", "2014-06-11"},
            {"en_US", "2015-06-06 18:00", "6/6/15 6:00:00 PM", "-0.25", "2014-06-07"},
            {"es_ES", "2015-06-10 10:00", "10/6/15 10:00:00", "3,41666666666667", "2014-06-11"},
            {"zh_CN", "2016-02-29", "2016/2/29", "267", "2015-03-01"},
            {"en_US", "2017-02-28", "2/28/17", "632", "2016-02-29"},
            {"en_US", "2015-12-31 23:30", "12/31/15 11:30:00 PM", "207.979166666667", "2015-01-01"},
            {"de_DE", "2018-06-07", "07.06.18", "1096", "2017-06-08"},
            // Never in exponent form.
            {"en_US", "2015-06-07 00:00:01", "6/7/15 12:00:01 AM", "0.0000115740740740741",
                "2014-06-08"},
            {"de_DE", "2015-06-06 23:59:59", "06.06.15 23:59:59", "-0,0000115740740740741",
                "2014-06-07"},
            {"en_US", "2289-06-07 12:00", "6/7/89 12:00:00 PM", "100077.5", "2288-06-08"},
        };
        for (const Written& row : rows)
            QTest::newRow(QByteArray(row.locale) + " \"" + row.text + '"')
                << row.locale << row.text << row.endDate << row.daysLeft
                << row.firstActivation + QStringLiteral("(北京时间)");
    }
    void writes()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        DateSource::pin(Today, QLocale(locale));
        const auto date = lookup::ReadDeviceDate(text);
        QVERIFY(date.has_value());

        QTEST(lookup::EndDateText(*date), "endDate");
        QTEST(lookup::DaysLeftText(*date), "daysLeft");
        QTEST(lookup::FirstActivationText(*date), "firstActivation");
    }

    // The sites write English; every locale must read what they write.
    void englishFormsReadInEveryLocale()
    {
        const struct {
            const char* text;
            const char* read;
        } forms[] = {
            {"Mar 10, 2016", "2016-03-10"},
            {"May 10, 2016", "2016-05-10"},
            {"June 10, 2015", "2015-06-10"},
            {"Jun 10, 2015", "2015-06-10"},
            {"Sep 1, 2015", "2015-09-01"},
            {"Wednesday, June 10, 2015", "2015-06-10"},
            {"Thu, Mar 10, 2016", "2016-03-10"},
            {"2016-03-10", "2016-03-10"},
            {"2016-03-10 13:45:30", "2016-03-10 13:45:30"},
            {"June 10, 2015 1:45 PM", "2015-06-10 13:45:00"},
            {"Mar 10, 2016 12:00 AM", "2016-03-10 00:00:00"},
            {"10 June 2015", "2015-06-10"},
            {"10-Jun-2015", "2015-06-10"},
            {"Mar\u00a010,\u00a02016", "2016-03-10"},
        };
        const auto locales = QLocale::matchingLocales(
            QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        QVERIFY(locales.size() > 300);
        QStringList misread;
        for (const QLocale& locale : locales) {
            DateSource::pin(Today, locale);
            for (const auto& form : forms) {
                const auto date = lookup::ReadDeviceDate(QString::fromUtf8(form.text));
                QString seen;
                if (date) {
                    seen = date->date.toString("yyyy-MM-dd");
                    if (date->time)
                        seen += date->time->toString(" HH:mm:ss");
                }
                if (seen != QLatin1String(form.read))
                    misread << locale.name() + ": \"" + form.text + "\" read as \"" + seen + '"';
            }
        }
        QVERIFY2(misread.isEmpty(), qPrintable(misread.mid(0, 10).join('\n')));
    }

    // No locale's long time leaves behind what held its zone name: brackets,
    // or the blank or comma before it.
    void timeOfDayWrittenInEveryLocale()
    {
        const QRegularExpression leftOver(QStringLiteral(R"(\p{Ps}\s*\p{Pe}|[\s,]$|^\s)"));
        QStringList written;
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            DateSource::pin(Today, locale);
            const QString text = lookup::EndDateText({QDate(2015, 3, 10), QTime(10, 0)});
            if (text.contains(leftOver))
                written << locale.name() + ": \"" + text + '"';
        }
        QVERIFY2(written.isEmpty(), qPrintable(written.mid(0, 10).join('\n')));
    }

    // A value followed by a long run of blanks, as a hostile or broken page
    // may send: read in time linear in its length, and read right.
    void longRunsOfBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        const QString blanks(256 * 1024, ' ');
        QTest::newRow("month and day, then no year") << "June 10" + blanks + "x"
                                                     << "";
        QTest::newRow("blanks before the year") << "June 10," + blanks + "2015"
                                                << "2015-06-10";
        QTest::newRow("blanks inside a time") << "2015-06-10 13:45" + blanks + "PM" + blanks + "x"
                                              << "";
        QTest::newRow("day first") << "10" + blanks + "June" + blanks + "x"
                                   << "";
        QTest::newRow("tabs and no-break spaces")
            << "June 10" + QString(128 * 1024, '\t') + QString(128 * 1024, QChar(0xa0)) + "x"
            << "";
    }
    void longRunsOfBlanks()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        DateSource::pin(Today, QLocale("en_US"));
        std::optional<lookup::DeviceDate> date;
        QVERIFY2(reading::endsWithin(
                     reading::GenerousLimit, [&] { date = lookup::ReadDeviceDate(text); }),
            "reading a date took seconds: it is no longer linear");
        QCOMPARE(date ? date->date.toString("yyyy-MM-dd") : QString(), read);
    }

    // Closing the window cancels a lookup: reading a long text stops.
    void readingStopsWhenCancelled()
    {
        DateSource::pin(Today, QLocale("en_US"));
        const QString text = "June 10," + QString(256 * 1024, ' ') + "2015";
        QVERIFY(lookup::ReadDeviceDate(text).has_value());
        std::optional<lookup::DeviceDate> date;
        reading::runCancelled([&] { date = lookup::ReadDeviceDate(text); });
        QVERIFY(!date.has_value());
    }

    // Lookups may run side by side: the reader on many threads at once reads
    // what it reads on one.
    void readsOnManyThreadsAtOnce()
    {
        DateSource::pin(Today, QLocale("en_US"));
        const QStringList texts = {"June 10, 2015", "Wednesday, June 10, 2015 1:45 PM",
            "2015-06-10 13:45", "10-Jun-2015", "6/10/2015", "abc"};
        std::vector<std::optional<lookup::DeviceDate>> expected;
        for (const QString& text : texts)
            expected.push_back(lookup::ReadDeviceDate(text));
        std::atomic<int> wrong {0};
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back(QThread::create([&] {
                for (int round = 0; round < 200; ++round) {
                    for (qsizetype i = 0; i < texts.size(); ++i) {
                        const auto date = lookup::ReadDeviceDate(texts[i]);
                        if (date.has_value() != expected[i].has_value()
                            || (date
                                && (date->date != expected[i]->date
                                    || date->time != expected[i]->time)))
                            ++wrong;
                    }
                }
            }));
            threads.back()->start();
        }
        for (auto& thread : threads)
            QVERIFY(thread->wait(30000));
        QCOMPARE(wrong.load(), 0);
    }

    // Lookups run on a worker thread: what a test pins must hold there too,
    // and unpinning must give the machine's day back.
    void pinnedSourceHoldsOnEveryThread()
    {
        DateSource::pin(Today, QLocale("de_DE"));
        QDate seenToday;
        QString seenLocale;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            seenToday = DateSource::today();
            seenLocale = DateSource::locale().name();
        }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QCOMPARE(seenToday, Today);
        QCOMPARE(seenLocale, QStringLiteral("de_DE"));

        DateSource::unpin();
        QCOMPARE(DateSource::today(), QDate::currentDate());
        QCOMPARE(DateSource::locale(), QLocale::system());
    }
};

QTEST_GUILESS_MAIN(TestDeviceDates)
#include "test_device_dates.moc"
