// The sample warranty and iOS version sites answer the program's own lookup
// the way the table in WarrantySite.cpp promises.
#include "lookup/device/DeviceDates.h"
#include "lookup/device/LookupSerial.h"
#include "sample-sites/SampleSites.h"

#include "support/Loopback.h"
#include "support/RecordingForm.h"

#include <QtTest>

namespace {

// The sites and the lookup count from the same pinned day, so that nothing
// changes if the test runs across midnight.
const QDate Today(2031, 1, 20);

} // namespace

class TestSampleDeviceSites : public QObject {
    Q_OBJECT

    loopback::Server sites {samples::answer};

    // The boxes of coverage that ends `days` from today, as an American
    // locale shows them.
    static QString active(int days)
    {
        const QDate end = Today.addDays(days);
        return "T(5)=有效|T(6)=" + QLocale("en_US").toString(end, QLocale::ShortFormat)
            + "|T(7)=" + QString::number(days)
            + "|T(4)=" + end.addYears(-1).addDays(1).toString("yyyy-MM-dd") + "(北京时间)|";
    }

private slots:
    void initTestCase()
    {
        for (const auto& [name, value] : samples::environment(sites.base()))
            qputenv(name.c_str(), QByteArray::fromStdString(value));
        samples::pinToday(Today.year(), Today.month(), Today.day());
        lookup::DateSource::pin(Today, QLocale("en_US"));
    }
    void cleanupTestCase()
    {
        lookup::DateSource::unpin();
        samples::unpinToday();
    }

    void sampleSerials_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("log"); // "T(10)=?" stands for any version
        const QString notReplaced = "T(1)=未换机，可查询FT和ICCID信息|";
        const QString expired = "T(5)=已过期|T(6)=已过期|T(7)=已过期|T(4)=未查询到信息|";
        const QString phoneUntil
            = QLocale("en_US").toString(Today.addDays(21), QLocale::ShortFormat);
        QTest::newRow("active") << "F2LSAMPLE001"
                                << notReplaced + "T(2)=iPhone 6 Plus 64GB Space Gray|T(3)=已激活|"
                + active(56) + "T(8)=有效|T(9)=" + phoneUntil + "|T(10)=?";
        QTest::newRow("expired, any case")
            << "f2lsample002"
            << notReplaced + "T(2)=iPhone 5s 16GB Silver|T(3)=已激活|" + expired
                + "T(8)=已过期|T(9)=已过期|T(10)=?";
        QTest::newRow("not activated") << "F2LSAMPLE003"
                                       << notReplaced
                + "T(2)=iPhone 6 128GB Gold|T(3)=未激活|T(4)=\\|T(5)=\\|T(6)=\\|T(7)=\\|T(8)=\\";
        QTest::newRow("replaced") << "F2LSAMPLE004"
                                  << "T(1)=已换机！|msg:您的机器已经被换机，联系客服查询换机后的新"
                                     "IMEI才能继续进行找回!马上为您打开查询换机维修的宝贝,"
                                     "您可以通过购买宝贝进行查询！|open:"
                + qs(sites.base())
                + "/maker/huanji.html|T(2)=已换机！|T(3)=已换机！|T(4)="
                  "已换机！|T(5)=已换机！|T(6)=已换机！|T(7)=已换机！|T(8)="
                  "已换机！";
        QTest::newRow("invalid") << "F2LSAMPLE005"
                                 << "msg:您输入的IMEI无效，无法查询相关信息，请核对后重新输入!";
        QTest::newRow("any other serial")
            << "C39QWERTY123"
            << notReplaced + "T(2)=iPhone 6 16GB Space Gray|T(3)=已激活|" + active(300)
                + "T(8)=已过期|T(9)=已过期|T(10)=?";
    }
    void sampleSerials()
    {
        QFETCH(QString, serial);
        QFETCH(QString, log);

        RecordingForm form;
        lookup::LookupSerial(form, serial);
        QStringList seen = form.log();
        // The version is the site's choice, but there must be one.
        if (!seen.isEmpty() && seen.last().startsWith("T(10)=")) {
            QVERIFY(QRegularExpression("^T\\(10\\)=\\d+(\\.\\d+)+$").match(seen.last()).hasMatch());
            seen.last() = "T(10)=?";
        }
        QCOMPARE(seen, log.split('|'));
    }
};

QTEST_GUILESS_MAIN(TestSampleDeviceSites)
#include "test_sample_device_sites.moc"
