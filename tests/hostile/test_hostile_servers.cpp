// Every lookup against every way a site can go bad (tools/hostile): each ends
// with its network message, or with what the page really says, within its
// requests' deadlines, without a crash and with memory bounded.

#include "hostile/HostileServer.h"
#include "lookup/device/LookupImei.h"
#include "lookup/device/LookupIosVersion.h"
#include "lookup/device/LookupSerial.h"
#include "lookup/sim/LookupIccid.h"
#include "support/RecordingForm.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fstream>
#include <map>
#include <memory>

namespace {

// Each request gives up after this long (the request object reads it from the
// environment); short, so that the cases that never end cost little.
constexpr int DeadlineMs = 1500;
// What a lookup may take beyond its requests' deadlines (a busy machine, the
// sanitizers).
constexpr int SlackMs = 4000;
// The largest answer accepted is 16 MiB; holding it, as bytes and as text, with
// the copies on the way, stays well below this (at most 110 MiB seen, under
// the sanitizers). A body that escaped the limit (a 100 MiB answer, an
// unpacked bomb) does not: with the limit at 128 MiB, 260 MiB and more.
constexpr qint64 MemoryBoundKiB = 192 * 1024;

enum class Lookup { Serial, Imei, IosVersion, Iccid };

// The most requests a lookup makes: the IMEI lookup asks its site twice, then
// falls back on the warranty service, which asks the iOS site twice.
int mostRequests(Lookup lookup)
{
    switch (lookup) {
    case Lookup::Serial: return 3;
    case Lookup::Imei: return 5;
    case Lookup::IosVersion: return 2;
    case Lookup::Iccid: return 1;
    }
    return 0;
}

enum class Outcome {
    NetworkMessage, // the lookup's message for no answer; the iOS lookup returns nothing
    Page, // what the page says, as from a well-behaved site
    PageWithoutVersion, // the same, but the iOS version page could not be read
    NoInformation, // the ICCID page, read as UTF-8, holds none of its captions
};

const char* describe(Outcome outcome)
{
    switch (outcome) {
    case Outcome::NetworkMessage: return "network message";
    case Outcome::Page: return "the page's values";
    case Outcome::PageWithoutVersion: return "the page's values, no iOS version";
    case Outcome::NoInformation: return "无相关信息！ ×4";
    }
    return "";
}

struct Expected {
    Outcome serial, imei, iosVersion, iccid;
};

constexpr Expected Failure {Outcome::NetworkMessage, Outcome::NetworkMessage,
    Outcome::NetworkMessage, Outcome::NetworkMessage};
constexpr Expected Read {Outcome::Page, Outcome::Page, Outcome::Page, Outcome::Page};

// What each case must end with. Every case the request object cannot take is
// a network failure; the charsets differ because the ICCID lookup always reads
// UTF-8, and IBM037 cannot carry the iOS page's Chinese caption.
const std::map<std::string, Expected> Outcomes {
    {"ok", Read},
    {"refused", Failure},
    {"reset", Failure},
    {"silent", Failure},
    {"drip-headers", Failure},
    {"drip-body", Failure},
    {"endless-chunked", Failure},
    {"short-body", Failure},
    {"100mib", Failure},
    {"gzip-bomb", Failure},
    {"invalid-utf8", Read},
    {"gbk", {Outcome::Page, Outcome::Page, Outcome::Page, Outcome::NoInformation}},
    {"unknown-charset", Read},
    {"ebcdic",
        {Outcome::PageWithoutVersion, Outcome::PageWithoutVersion, Outcome::NetworkMessage,
            Outcome::NoInformation}},
    {"ebcdic-empty", Failure},
    {"redirect-loop", Failure},
    {"redirect-file", Failure},
    {"tls-trusted", Read},
    {"https-to-http", Failure},
    // A redirect that leads nowhere is no answer, to every lookup.
    {"no-location", Failure},
    {"cookies", Read},
    {"long-header", Failure},
    {"garbage", Failure},
    {"self-signed", Failure},
};

// The cases whose certificate the request object is told to trust, so that
// what they do after the handshake is what is tried.
const QSet<QString> Trusted {"tls-trusted", "https-to-http"};

QStringList expectedLog(Lookup lookup, Outcome outcome)
{
    const QString version = outcome == Outcome::Page ? "9.3.5" : "";
    const QStringList expired {"T(5)=已过期", "T(6)=已过期", "T(7)=已过期", "T(4)=未查询到信息",
        "T(8)=已过期", "T(9)=已过期"};
    switch (lookup) {
    case Lookup::Serial:
        if (outcome == Outcome::NetworkMessage)
            return {"msg:网络异常或者服务器维护!"};
        return QStringList {"T(1)=未换机，可查询FT和ICCID信息"} + expired
            + QStringList {"T(10)=" + version};
    case Lookup::Imei:
        if (outcome == Outcome::NetworkMessage)
            return {"msg:网络异常或者服务器维护!"};
        return QStringList {
                   "T(1)=未换机，可查询FT和ICCID信息", "T(3)=已激活", "T(2)=iPhone 6s 小白"}
        + expired + QStringList {"T(10)=" + version + "IOS版本查询服务暂时关闭"};
    case Lookup::IosVersion: return {"returns:" + version};
    case Lookup::Iccid:
        if (outcome == Outcome::NetworkMessage)
            return {"msg:网络通信异常，可能是服务器维护，请稍后再试！"};
        if (outcome == Outcome::NoInformation)
            return {"T1(1)=无相关信息！", "T1(2)=无相关信息！", "T1(3)=无相关信息！",
                "T1(4)=无相关信息！"};
        return {"T1(1)=中国移动GSM", "T1(2)=1380013XXXX  (左上方有利用ICCID查手机号码的方法)",
            "T1(3)=2015年", "T1(4)=广东广州(020)  (移动电信较准确 联通仅供参考)"};
    }
    return {};
}

// A line of /proc/self/status, in KiB.
qint64 statusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stoll(line.substr(std::strlen(field)));
    return -1;
}

// Starts counting the process's peak memory afresh.
void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Row {
    QString caseName;
    QString lookup;
    QString outcome;
    qint64 ms;
    qint64 peakGrowthMiB;
};

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestHostileServers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("KESTRUNE_REQUEST_DEADLINE_MS"))
            qputenv("KESTRUNE_REQUEST_DEADLINE_MS", QByteArray::number(DeadlineMs));
        QVERIFY(certificates.isValid());
        // A certificate nobody vouches for, made afresh for each run.
        QProcess openssl;
        openssl.start("openssl",
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                "-keyout", certificates.filePath("key.pem"), "-out",
                certificates.filePath("cert.pem")});
        QVERIFY2(openssl.waitForFinished(30000) && openssl.exitCode() == 0,
            qPrintable("openssl: " + openssl.errorString() + openssl.readAllStandardError()));
        server = std::make_unique<hostile::Server>(certificates.filePath("cert.pem").toStdString(),
            certificates.filePath("key.pem").toStdString());
    }

    void cleanupTestCase()
    {
        for (const Row& row : std::as_const(table))
            qInfo().noquote() << QStringLiteral("| %1 | %2 | %3 | %4 ms | %5 MiB |")
                                     .arg(row.caseName, row.lookup, row.outcome)
                                     .arg(row.ms)
                                     .arg(row.peakGrowthMiB);
        server.reset();
    }

    void serial_data() { rows(); }
    void serial() { run(Lookup::Serial, "LookupSerial"); }
    void imei_data() { rows(); }
    void imei() { run(Lookup::Imei, "LookupImei"); }
    void iosVersion_data() { rows(); }
    void iosVersion() { run(Lookup::IosVersion, "LookupIosVersion"); }
    void iccid_data() { rows(); }
    void iccid() { run(Lookup::Iccid, "LookupIccid"); }

private:
    void rows()
    {
        QTest::addColumn<QString>("caseName");
        for (const hostile::Case& c : hostile::Cases())
            QTest::newRow(c.name.c_str()) << QString::fromStdString(c.name);
    }

    void run(Lookup lookup, const QString& lookupName)
    {
        QFETCH(QString, caseName);
        const auto expected = Outcomes.find(caseName.toStdString());
        QVERIFY2(expected != Outcomes.end(), "a case without its expected outcome");
        const Outcome outcome = lookup == Lookup::Serial ? expected->second.serial
            : lookup == Lookup::Imei                     ? expected->second.imei
            : lookup == Lookup::IosVersion               ? expected->second.iosVersion
                                                         : expected->second.iccid;

        // Every site the lookups ask plays the case.
        const QByteArray site = QByteArray::fromStdString(server->site(caseName.toStdString()));
        qputenv("KESTRUNE_WARRANTY_URL", site + "/wcResults.do");
        qputenv("KESTRUNE_IMEI_SITE", site + "/");
        qputenv("KESTRUNE_IOS_SITE", site + "/");
        qputenv("KESTRUNE_ICCID_SITE", site);
        if (Trusted.contains(caseName))
            qputenv("KESTRUNE_CA_FILE", certificates.filePath("cert.pem").toUtf8());
        else
            qunsetenv("KESTRUNE_CA_FILE");

        RecordingForm form;
        QString version;
        const qint64 memoryBefore = statusKiB("VmRSS:");
        resetPeakMemory();
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<QThread> worker(QThread::create([&] {
            switch (lookup) {
            case Lookup::Serial: lookup::LookupSerial(form, "F2LHOSTILE01"); break;
            case Lookup::Imei: lookup::LookupImei(form, "356789012345678"); break;
            case Lookup::IosVersion: version = lookup::LookupIosVersion("F2LHOSTILE01"); break;
            case Lookup::Iccid: lookup::LookupIccid(form, "89860012345678901234"); break;
            }
        }));
        worker->start();
        const int budgetMs = mostRequests(lookup) * DeadlineMs + SlackMs;
        if (!worker->wait(QDeadlineTimer(budgetMs))) {
            // Asked to stop as the window asks when it closes; a lookup that
            // ignores even that is left behind rather than waited for.
            worker->requestInterruption();
            if (!worker->wait(QDeadlineTimer(10000)))
                (void)worker.release();
            table.append({caseName, lookupName, "UNEXPECTED: still running", budgetMs, 0});
            QFAIL(qPrintable(
                QStringLiteral("%1 still running after %2 ms").arg(lookupName).arg(budgetMs)));
        }
        const qint64 ms = timer.elapsed();
        const qint64 peakGrowth = statusKiB("VmHWM:") - memoryBefore;

        const QStringList log
            = lookup == Lookup::IosVersion ? QStringList {"returns:" + version} : form.log();
        const QStringList wanted = expectedLog(lookup, outcome);
        table.append({caseName, lookupName,
            log == wanted ? describe(outcome) : "UNEXPECTED: " + log.join(" | "), ms,
            peakGrowth / 1024});
        QCOMPARE(log, wanted);
        QVERIFY2(peakGrowth < MemoryBoundKiB,
            qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(peakGrowth)));
    }

    QTemporaryDir certificates;
    std::unique_ptr<hostile::Server> server;
    QList<Row> table;
};

QTEST_GUILESS_MAIN(TestHostileServers)
#include "test_hostile_servers.moc"
