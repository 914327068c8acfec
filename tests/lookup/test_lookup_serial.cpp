#include "lookup/device/DeviceDates.h"
#include "lookup/device/LookupSerial.h"
#include "lookup/device/RequestNumbers.h"

#include "support/Loopback.h"
#include "support/ReadingThread.h"
#include "support/RecordingForm.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace {

const QString MakerSite = "http://127.0.0.1:9/maker/"; // only handed to the browser

// Pieces of a warranty-check answer.
const QString Container = "<style>#container { width: 980px; }</style>\n";
const QString Product = "<script>displayProductInfo('/i.png', 'iPhone 6 Plus', 'x');</script>";
const QString Activated = "<div class=\"registration-true\">Valid Purchase Date</div>";
const QString NotActivated = "<div class=\"registration-false\">Please validate</div>";
const QString Replaced = "We're sorry, but this is a serial number for a product that has been "
                         "replaced.";
const QString Invalid = "We're sorry, but this serial number is not valid.";
QString coverage(const QString& date)
{
    return "<h3>Repairs and Service Coverage: Active</h3><p>Covered.<br>Estimated Expiration "
           "Date: "
        + date + "</p>";
}
const QString CoverageExpired = "<h3>Repairs and Service Coverage: Expired</h3>";
const QString PhoneActive
    = "<h3>Telephone Technical Support: Active</h3><p>Estimated Expiration Date: June 28, 2015</p>";
const QString PhoneExpired = "<h3>Telephone Technical Support: Expired</h3>";

// What the window sees, one "|"-separated entry per write, message or browser
// call. Today is pinned to 7 June 2015 in an American locale.
const QString NotReplaced = "T(1)=未换机，可查询FT和ICCID信息|";
const QString NoAnswerMessage = "msg:网络异常或者服务器维护!";
const QString InvalidMessage = "msg:您输入的IMEI无效，无法查询相关信息，请核对后重新输入!";
const QString Model = "T(2)=iPhone 6 Plus|";
QString coverageLog(const QString& shortDate, const QString& days, const QString& first)
{
    return "T(5)=有效|T(6)=" + shortDate + "|T(7)=" + days + "|T(4)=" + first + "(北京时间)|";
}
const QString CoverageLog = coverageLog("6/10/15", "3", "2014-06-11");
const QString ExpiredLog = "T(5)=已过期|T(6)=已过期|T(7)=已过期|T(4)=未查询到信息|";
const QString NotActivatedLog = "T(3)=未激活|T(4)=\\|T(5)=\\|T(6)=\\|T(7)=\\|T(8)=\\";
const QString Version = "T(10)=9.3.5";
const QString ReplacedLog
    = "T(1)=已换机！|msg:您的机器已经被换机，联系客服查询换机后的新IMEI才能继续进行找回!"
      "马上为您打开查询换机维修的宝贝,您可以通过购买宝贝进行查询！|open:"
    + MakerSite + "huanji.html|T(2)=已换机！|T(3)=已换机！|T(4)=已换机！|T(5)=已换机！|"
    + "T(6)=已换机！|T(7)=已换机！|T(8)=已换机！";

// The generator's numbers as its header describes them, from the start of its
// sequence: enough of them for any test program's lookups.
std::vector<int> requestNumberSequence(std::size_t count)
{
    std::mt19937 fresh(lookup::RequestNumberSeed);
    std::vector<int> numbers(count);
    for (int& number : numbers)
        number = int(std::floor(fresh() / 4294967296.0 * 1000000));
    return numbers;
}

// Where `run` stands in that sequence, wherever earlier tests have left the
// generator; -1 when it is not there.
qsizetype positionInSequence(const std::vector<int>& run, const std::vector<int>& sequence)
{
    const auto at = std::search(sequence.begin(), sequence.end(), run.begin(), run.end());
    return at == sequence.end() ? -1 : at - sequence.begin();
}

} // namespace

class TestLookupSerial : public QObject {
    Q_OBJECT

    int status = 200;
    QString answer;
    loopback::Server warranty {[this](const loopback::Request& request) {
        if (status == 302 && request.path == "/wcResults.do")
            return loopback::Response {302, {{"Location", "/moved.do"}}, "", false};
        return loopback::html(u8(answer), status == 302 ? 200 : status);
    }};
    loopback::Server iosSite {[](const loopback::Request& request) {
        auto response = loopback::html(request.path == "/ios/"
                ? "<input name='qm_token' value='tok4567890'/>"
                : "<td class=biaoti>iOS版本</td><td><strong>9.3.5<");
        response.headers.emplace_back("Set-Cookie", "qm_session=1; path=/");
        return response;
    }};

    void lookUp(RecordingForm& form, const QString& serial = "F2LSAMPLE001")
    {
        warranty.clearReceived();
        iosSite.clearReceived();
        lookup::LookupSerial(form, serial);
    }

private slots:
    void initTestCase()
    {
        lookup::DateSource::pin(QDate(2015, 6, 7), QLocale("en_US"));
        qputenv(
            "KESTRUNE_WARRANTY_URL", QByteArray::fromStdString(warranty.base() + "/wcResults.do"));
        qputenv("KESTRUNE_IOS_SITE", QByteArray::fromStdString(iosSite.base() + "/ios/"));
        qputenv("KESTRUNE_MAKER_SITE", MakerSite.toUtf8());
    }
    void cleanupTestCase() { lookup::DateSource::unpin(); }

    // Lookups in a row send numbers in a row of the generator's sequence,
    // wherever earlier lookups of the program have left it.
    void requestsCarryTheGeneratorsNumbers()
    {
        answer = Container + Activated + CoverageExpired;
        std::vector<int> sent;
        const std::map<QString, QString> encoded {{"F2LSAMPLE001", "F2LSAMPLE001"},
            {"F2L&SN= 1", "F2L%26SN%3D%201"}, {"F2L+é", "F2L%2B%C3%A9"}};
        for (const QString serial : {"F2LSAMPLE001", "F2LSAMPLE001", "F2L&SN= 1", "F2L+é"}) {
            RecordingForm form;
            lookUp(form, serial);

            const auto received = warranty.received();
            QCOMPARE(received.size(), size_t(1));
            QCOMPARE(received[0].method + ' ' + received[0].target, "POST /wcResults.do");
            const auto names = received[0].headerNames();
            const auto type = std::find(names.begin(), names.end(), "content-type");
            QVERIFY(std::find(type, names.end(), "accept-language") != names.end());
            QCOMPARE(received[0].header("Content-Type").value_or(""),
                "application/x-www-form-urlencoded");
            QCOMPARE(received[0].header("Accept-Language").value_or(""), "zh-CN");
            // Letters and digits as typed, the rest encoded: no field of its own.
            const QString body = qs(received[0].body);
            const QString prefix = "sn=" + encoded.at(serial) + "&num=";
            QVERIFY2(body.startsWith(prefix), qPrintable(body));
            bool isNumber = false;
            sent.push_back(body.mid(prefix.size()).toInt(&isNumber));
            QVERIFY2(isNumber && QString::number(sent.back()) == body.mid(prefix.size()),
                qPrintable(body));
            // The iOS version is asked with the same text.
            QVERIFY(qs(iosSite.received().at(1).body).endsWith("&postsn=" + encoded.at(serial)));
        }
        QVERIFY(positionInSequence(sent, requestNumberSequence(1000 * 1000)) >= 0);
    }

    // Lookups may run side by side: every number of the sequence is handed
    // out once, whichever thread asks.
    void eachNumberIsHandedOutOnceAcrossThreads()
    {
        const std::vector<int> sequence = requestNumberSequence(1000 * 1000);
        std::vector<int> before(3);
        for (int& number : before)
            number = lookup::NextRequestNumber();
        const qsizetype start = positionInSequence(before, sequence);
        QVERIFY(start >= 0);

        constexpr int Threads = 4;
        constexpr int EachThread = 5000;
        std::vector<std::vector<int>> drawn(Threads);
        std::vector<std::unique_ptr<QThread>> threads;
        for (auto& numbers : drawn) {
            threads.emplace_back(QThread::create([&numbers] {
                for (int i = 0; i < EachThread; ++i)
                    numbers.push_back(lookup::NextRequestNumber());
            }));
            threads.back()->start();
        }
        std::vector<int> all;
        for (int t = 0; t < Threads; ++t) {
            QVERIFY(threads[t]->wait(30000));
            all.insert(all.end(), drawn[t].begin(), drawn[t].end());
        }
        const auto next = sequence.begin() + start + qsizetype(before.size());
        std::vector<int> expected(next, next + Threads * EachThread);
        std::sort(all.begin(), all.end());
        std::sort(expected.begin(), expected.end());
        QVERIFY(all == expected);
    }

    void outcomes_data()
    {
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("log");
        const QString full
            = Container + Product + Activated + coverage("June 10, 2015") + PhoneActive;
        const QString fullLog = NotReplaced + Model + "T(3)=已激活|" + CoverageLog
            + "T(8)=有效|T(9)=6/28/15|" + Version;
        const struct {
            const char* name;
            int status;
            QString page, log;
        } rows[] = {
            {"all active", 200, full, fullLog},
            {"redirect followed", 302, full, fullLog},
            {"all expired", 200, Container + Product + Activated + CoverageExpired + PhoneExpired,
                NotReplaced + Model + "T(3)=已激活|" + ExpiredLog + "T(8)=已过期|T(9)=已过期|"
                    + Version},
            {"not activated", 200, Container + Product + NotActivated + coverage("June 10, 2015"),
                NotReplaced + Model + NotActivatedLog},
            {"both registration markers", 200, Container + Activated + NotActivated,
                NotReplaced + "T(3)=已激活|" + NotActivatedLog},
            {"replaced", 200, Container + Replaced + Product, ReplacedLog},
            {"replaced, before #container", 200, Replaced + Container + Product, ReplacedLog},
            {"invalid and replaced", 200, Container + Invalid + Replaced, InvalidMessage},
            {"empty answer", 200, "", NoAnswerMessage},
            {"error page", 500, Container + Product + Activated + CoverageExpired, NoAnswerMessage},
            {"no markers", 200, "<html>Down for maintenance</html>",
                NotReplaced + ExpiredLog + Version},
            {"#container twice", 200,
                Container + Product + coverage("June 10, 2015") + Container + NotActivated,
                NotReplaced + Model + CoverageLog + Version},
            {"product: apostrophes gone, outer blanks only trimmed", 200,
                "displayProductInfo('/i.png',  ' iPhone\t6 'Plus'  ', 'x')",
                NotReplaced + "T(2)=iPhone\t6 Plus|" + ExpiredLog + Version},
            {"product without comma", 200, "displayProductInfo",
                NotReplaced + "T(2)=|" + ExpiredLog + Version},
            {"no expiration date line", 200, "Repairs and Service Coverage: Active</h3>",
                NotReplaced + "T(5)=有效|" + Version},
            {"date alone after the coverage", 200,
                "Repairs and Service Coverage: Active June 10, 2015 ",
                NotReplaced + CoverageLog + Version},
            {"midnight end date shows no time", 200, coverage("June 10, 2015 12:00 AM"),
                NotReplaced + CoverageLog + Version},
            {"unreadable date", 200, coverage("soon"), NotReplaced + "T(5)=有效|" + Version},
            {"29 February", 200, coverage("February 29, 2016"),
                NotReplaced + coverageLog("2/29/16", "267", "2015-03-01") + Version},
            {"both telephone markers", 200, CoverageExpired + PhoneExpired + PhoneActive,
                NotReplaced + ExpiredLog + "T(8)=已过期|T(9)=已过期|T(8)=有效|T(9)=6/28/15|"
                    + Version},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << row.status << row.page << row.log;
    }
    void outcomes()
    {
        QFETCH(int, httpStatus);
        QFETCH(QString, page);
        QFETCH(QString, log);
        status = httpStatus;
        answer = page;

        RecordingForm form;
        lookUp(form);
        QCOMPARE(form.log(), log.split('|'));
        for (const auto& event : form.events) {
            if (event.kind == RecordingForm::Event::Kind::Message)
                QCOMPARE(event.title + QString::number(event.style), "Kestrune助理64");
        }
        // The iOS version site is asked exactly when T(10) is written.
        QCOMPARE(iosSite.received().size(), size_t(form.written(lookup::T(10)) ? 2 : 0));
    }

    // A date followed by a long run of blanks where the expiration line is
    // missing, so the whole section is read as a date: read in time linear in
    // the page, and read right.
    void longRunsOfBlanks_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("log");
        const QString blanks(256 * 1024, ' ');
        const QString head = Container + coverage("June 10, 2015") + PhoneExpired
            + "<h3>Telephone Technical Support: Active June 28";
        QTest::newRow("no year after the blanks")
            << head + blanks + "x</h3>"
            << NotReplaced + CoverageLog + "T(8)=已过期|T(9)=已过期|T(8)=有效|" + Version;
        QTest::newRow("the year after the blanks") << head + "," + blanks + "2015"
                                                   << NotReplaced + CoverageLog
                + "T(8)=已过期|T(9)=已过期|T(8)=有效|T(9)=6/28/15|" + Version;
    }
    void longRunsOfBlanks()
    {
        QFETCH(QString, page);
        QFETCH(QString, log);
        answer = page;
        RecordingForm form;
        QVERIFY2(reading::endsWithin(reading::GenerousLimit, [&] { lookUp(form); }),
            "reading the answer took seconds: it is no longer linear");
        QCOMPARE(form.log(), log.split('|'));
    }

    void noServiceShowsTheNoAnswerMessage()
    {
        const QByteArray serviceUrl = qgetenv("KESTRUNE_WARRANTY_URL");
        qputenv("KESTRUNE_WARRANTY_URL",
            "http://127.0.0.1:" + QByteArray::number(unusedLoopbackPort()) + "/wcResults.do");
        RecordingForm form;
        lookUp(form);
        qputenv("KESTRUNE_WARRANTY_URL", serviceUrl);
        QCOMPARE(form.log(), QStringList {NoAnswerMessage});
        QVERIFY(iosSite.received().empty());
    }
};

QTEST_GUILESS_MAIN(TestLookupSerial)
#include "test_lookup_serial.moc"
