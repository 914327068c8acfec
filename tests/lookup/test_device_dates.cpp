#include "lookup/device/DeviceDates.h"

#include <QThread>
#include <QtTest>

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
            {"zh_CN", "2016-02-29", "2016/2/29", "267", "2015-03-01"},
            {"en_US", "2017-02-28", "2/28/17", "632", "2016-02-29"},
            {"en_US", "2015-12-31 23:30", "12/31/15 11:30:00 PM", "207.979166666667", "2015-01-01"},
            {"de_DE", "2018-06-07", "07.06.18", "1096", "2017-06-08"},
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
