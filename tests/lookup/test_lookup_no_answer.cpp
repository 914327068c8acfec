#include "lookup/device/LookupSerial.h"
#include "lookup/sim/LookupIccid.h"

#include "support/Loopback.h"
#include "support/RecordingForm.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest>

// Answers that are no answer at all (one dripped out slower than any request
// may last, an empty page in a charset whose line feed is not 0x0A) end a
// lookup with its network message, and nothing else is written.
namespace {

const QString SerialNoAnswer = QStringLiteral("msg:网络异常或者服务器维护!");
const QString IccidNoAnswer = QStringLiteral("msg:网络通信异常，可能是服务器维护，请稍后再试！");

// 250 bytes, one every 20 ms: the whole answer would take 5 s.
constexpr int DripMs = 250 * 20;
constexpr int ShortDeadlineMs = 300;

} // namespace

class TestLookupNoAnswer : public QObject {
    Q_OBJECT

private slots:
    void endsWithTheNetworkMessage_data()
    {
        QTest::addColumn<QString>("lookup");
        QTest::addColumn<bool>("drips");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("message");

        QTest::newRow("serial, answer dripped past the deadline")
            << "serial" << true << QByteArray("text/html; charset=utf-8") << SerialNoAnswer;
        QTest::newRow("ICCID, waiting 10000 s, answer dripped past the deadline")
            << "iccid" << true << QByteArray("text/html; charset=utf-8") << IccidNoAnswer;
        QTest::newRow("serial, empty EBCDIC answer")
            << "serial" << false << QByteArray("text/html; charset=IBM037") << SerialNoAnswer;
    }
    void endsWithTheNetworkMessage()
    {
        QFETCH(QString, lookup);
        QFETCH(bool, drips);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, message);

        loopback::Server site([&](const loopback::Request&) {
            loopback::Response response {200, {{"Content-Type", contentType.toStdString()}}, ""};
            if (drips) {
                response.body = std::string(250, 'x');
                response.drip = {1, 20, true};
            }
            return response;
        });
        const QByteArray base = QByteArray::fromStdString(site.base());
        qputenv("KESTRUNE_WARRANTY_URL", base + "/wcResults.do");
        qputenv("KESTRUNE_ICCID_SITE", base);
        qputenv("KESTRUNE_REQUEST_DEADLINE_MS", QByteArray::number(ShortDeadlineMs));
        const auto restore = qScopeGuard([] {
            qunsetenv("KESTRUNE_REQUEST_DEADLINE_MS");
            qunsetenv("KESTRUNE_WARRANTY_URL");
            qunsetenv("KESTRUNE_ICCID_SITE");
        });

        RecordingForm form;
        QElapsedTimer clock;
        clock.start();
        if (lookup == "serial")
            lookup::LookupSerial(form, "F2LSAMPLE001");
        else
            lookup::LookupIccid(form, "89860012345678901234");

        QCOMPARE(form.log(), QStringList {message});
        QCOMPARE(site.received().size(), size_t(1));
        if (drips)
            QVERIFY2(clock.elapsed() < DripMs, "the lookup waited for the whole dripped answer");
    }
};

QTEST_GUILESS_MAIN(TestLookupNoAnswer)
#include "test_lookup_no_answer.moc"
