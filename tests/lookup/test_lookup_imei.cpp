#include "lookup/device/DeviceDates.h"
#include "lookup/device/LookupImei.h"
#include "support/Loopback.h"
#include "support/ReadingThread.h"
#include "support/RecordingForm.h"

#include <QtTest>

using namespace lookup;

Q_DECLARE_METATYPE(std::string)

namespace {

const QString Imei = QStringLiteral("356789012345678");

std::string cell(const std::string& caption, const std::string& value)
{
    return "<tr><td>" + caption + "</td><td>" + value + "</td></tr>";
}
const std::string Active = cell("Activation status:", "Activated");
const std::string Model = cell("Product description:", "iPhone 6s White Black white");
const std::string WarrantyActive = "<td>Warranty(repairs and service coverage): Active</td>";
const std::string WarrantyEnd = cell("Warranty expiration date:", "2024-06-20");
const std::string PhoneActive = "<td>Telephone technical support: Active</td>";
const std::string PhoneExpired = "<td>Telephone technical support: Expired</td>";
const std::string PhoneEnd = cell("Telephone support expiration date:", "2024-07-01");

QStringList each(int first, int last, const QString& text)
{
    QStringList lines;
    for (int box = first; box <= last; ++box)
        lines << QStringLiteral("T(%1)=%2").arg(box).arg(text);
    return lines;
}
template <typename... Parts> QStringList logOf(const Parts&... parts)
{
    QStringList lines;
    (lines << ... << parts);
    return lines;
}
const QString NotReplaced = "T(1)=未换机，可查询FT和ICCID信息";
const QString Activated = "T(3)=已激活";
const QString ModelShown = "T(2)=iPhone 6s 小白 小黑 white";
const QString Warranty5 = "T(5)=有效  保修期间手机可能会被翻新换机 需关注";
const QStringList Dates {"T(6)=2024/6/20", "T(7)=10天", "T(4)=2023-06-21(北京时间)"};
const QString Phone8 = "T(8)=有效  联系苹果售后:400-666-8800请求锁机追踪";
const QStringList NoWarranty = each(5, 7, "已过期") << "T(4)=未查询到信息";
const QString Ios10 = "T(10)=9.3.5IOS版本查询服务暂时关闭";
const QStringList NotActivated = logOf(NotReplaced, "T(3)=未激活", each(4, 8, "\\"));
// What the warranty-check service's answer below makes LookupSerial write.
const QStringList FallbackLog = NotActivated;

loopback::Response withCookie(
    std::string setCookie, std::string body = "<html>IMEI</html>", int status = 200)
{
    auto response = loopback::html(std::move(body), status);
    if (!setCookie.empty())
        response.headers.emplace_back("Set-Cookie", std::move(setCookie));
    return response;
}

// The IMEI check site; each case sets its answers before the lookup runs.
struct ImeiSite {
    loopback::Response home = withCookie("PHPSESSID=abc; path=/");
    loopback::Response result = loopback::html("");
    loopback::Server server {[this](const loopback::Request& request) {
        return request.path == "/validate.php" ? result : home;
    }};
    explicit ImeiSite(bool reachable = true)
    {
        const int port = reachable ? server.port() : unusedLoopbackPort();
        qputenv("KESTRUNE_IMEI_SITE", "http://127.0.0.1:" + QByteArray::number(port) + "/");
    }
};

} // namespace

class TestLookupImei : public QObject {
    Q_OBJECT

    std::string iosVersion;
    loopback::Server warranty {[](const loopback::Request&) {
        return loopback::html("<style>#container{}</style><div class=registration-false></div>");
    }};
    loopback::Server ios {[this](const loopback::Request& request) {
        if (iosVersion.empty())
            return loopback::html("", 404);
        if (request.method == "GET")
            return withCookie("ios=1; path=/", "<input name=qm_token value='t0k3n'/>");
        return loopback::html("<p class=biaoti>iOS版本</p><strong>" + iosVersion + "</strong>");
    }};

private slots:
    void initTestCase()
    {
        DateSource::pin(QDate(2024, 6, 10), QLocale(QLocale::Chinese, QLocale::China));
        qputenv(
            "KESTRUNE_WARRANTY_URL", QByteArray::fromStdString(warranty.base()) + "/wcResults.do");
        qputenv("KESTRUNE_IOS_SITE", QByteArray::fromStdString(ios.base()) + "/");
    }
    void init()
    {
        warranty.clearReceived();
        ios.clearReceived();
        iosVersion = "9.3.5";
    }

    void requestKeyAndBody_data()
    {
        QTest::addColumn<QString>("imei");
        QTest::addColumn<QString>("key");
        // clang-format off
        QTest::newRow("digits")                    << Imei              << "7637737";
        QTest::newRow("letter counts 0")           << "35678A012345678" << "8637737";
        QTest::newRow("space counts 0")            << "3 6789012345678" << "7637237";
        QTest::newRow("eleventh unused")           << "3567890123X5678" << "7637737";
        QTest::newRow("full-width digit counts 0") << "３56789012345678" << "7337737";
        QTest::newRow("sums wrap")                 << "999999999999999" << "8888888";
        QTest::newRow("ampersand and blank")       << "35678&0 2345678" << "8637736";
        // clang-format on
    }
    void requestKeyAndBody()
    {
        QFETCH(QString, imei);
        QFETCH(QString, key);
        QCOMPARE(ImeiRequestKey(imei), key);
        ImeiSite site;
        RecordingForm form;
        LookupImei(form, imei);
        const auto received = site.server.received();
        QCOMPARE(received.size(), 2u);
        // Digits as they are; anything else encoded, never a field of its own.
        QString sent = imei;
        sent.replace("&", "%26").replace(" ", "%20").replace("３", "%EF%BC%93");
        QCOMPARE(qs(received[1].body), "imei=" + sent + "&jq=x&key=" + key);
    }

    void requestsAsTheSiteWantsThem_data()
    {
        QTest::addColumn<std::string>("setCookie");
        QTest::addColumn<std::string>("cookie");
        QTest::newRow("attributes")
            << std::string("PHPSESSID=abc; path=/; HttpOnly") << std::string("PHPSESSID=abc;");
        QTest::newRow("lone pair") << std::string("PHPSESSID=abc") << std::string("PHPSESSID=abc;");
        QTest::newRow("first pair") << std::string("a=1;b=2") << std::string("a=1;");
    }
    void requestsAsTheSiteWantsThem()
    {
        QFETCH(std::string, setCookie);
        QFETCH(std::string, cookie);
        ImeiSite site;
        site.home = withCookie(setCookie);
        RecordingForm form;
        LookupImei(form, Imei);
        const auto received = site.server.received();
        QCOMPARE(received.size(), 2u);
        QCOMPARE(received[0].method + " " + received[0].target, "GET /");
        QCOMPARE(received[1].method + " " + received[1].target, "POST /validate.php");
        const auto& post = received[1];
        std::vector<std::pair<std::string, std::string>> ours;
        for (const auto& [name, value] : post.headers)
            if (QByteArray("|referer|content-type|x-requested-with|cookie|")
                    .contains("|" + QByteArray::fromStdString(name).toLower() + "|"))
                ours.emplace_back(name, value);
        const decltype(ours) expected {{"Referer", site.server.base() + "/"},
            {"Content-Type", "application/x-www-form-urlencoded"},
            {"x-requested-with", "XMLHttpRequest"}, {"Cookie", cookie}};
        QCOMPARE(ours, expected);
    }

    void fallbackRunsOnceAndHasTheLastWord_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<int>("homeStatus");
        QTest::addColumn<std::string>("homeBody");
        QTest::addColumn<std::string>("setCookie");
        QTest::addColumn<int>("resultStatus");
        QTest::addColumn<std::string>("resultBody");
        QTest::addColumn<int>("requestsToSite");
        const std::string x = "x", s = "s=1", none, replaced = "that has been replaced";
        // clang-format off
        QTest::newRow("site unreachable") << false << 200 << x    << s    << 200 << replaced << 0;
        QTest::newRow("empty home page")  << true  << 200 << none << s    << 200 << replaced << 1;
        QTest::newRow("home page error")  << true  << 500 << x    << s    << 200 << replaced << 1;
        QTest::newRow("no cookie")        << true  << 200 << x    << none << 200 << replaced << 1;
        QTest::newRow("blank cookie")     << true  << 200 << x    << std::string(" ") << 200 << replaced << 1;
        QTest::newRow("empty result")     << true  << 200 << x    << s    << 200 << none     << 2;
        QTest::newRow("result error")     << true  << 200 << x    << s    << 500 << replaced << 2;
        QTest::newRow("result missing")   << true  << 200 << x    << s    << 404 << replaced << 2;
        // clang-format on
    }
    void fallbackRunsOnceAndHasTheLastWord()
    {
        QFETCH(bool, reachable);
        QFETCH(int, homeStatus);
        QFETCH(std::string, homeBody);
        QFETCH(std::string, setCookie);
        QFETCH(int, resultStatus);
        QFETCH(std::string, resultBody);
        QFETCH(int, requestsToSite);
        ImeiSite site(reachable);
        site.home = withCookie(setCookie, homeBody, homeStatus);
        site.result = loopback::html(resultBody, resultStatus);
        RecordingForm form;
        LookupImei(form, Imei);
        QCOMPARE(int(site.server.received().size()), requestsToSite);
        const auto asked = warranty.received();
        QCOMPARE(asked.size(), 1u);
        QVERIFY(qs(asked[0].body).startsWith("sn=" + Imei + "&num="));
        QCOMPARE(form.log(), FallbackLog);
    }

    void readsThePage_data()
    {
        QTest::addColumn<std::string>("page");
        QTest::addColumn<std::string>("version");
        QTest::addColumn<QStringList>("log");
        const std::string v = "9.3.5",
                          full
            = Active + Model + WarrantyActive + WarrantyEnd + PhoneActive + PhoneEnd;
        const QString phone9 = "T(9)=2024/7/1";
        const QString wrongMessage = "msg:您输入的IMEI无效，无法查询相关信息，请核对后重新输入!";
        const QString replacedMessage = "msg:您的机器已经被换机，联系客服查询换机后的IMEI!";
        // clang-format off
        QTest::newRow("active") << full << v << logOf(NotReplaced, Activated, ModelShown, Warranty5, Dates, Phone8, phone9, Ios10);
        QTest::newRow("no iOS version") << WarrantyActive + WarrantyEnd << std::string()
            << logOf(NotReplaced, Warranty5, Dates, "T(10)=IOS版本查询服务暂时关闭");
        QTest::newRow("expired") << Active + "<td>Warranty(repairs and service coverage): Expired</td>" + PhoneExpired << v
            << logOf(NotReplaced, Activated, NoWarranty, "T(8)=已过期", "T(9)=已过期", Ios10);
        QTest::newRow("leading space") << cell("Activation status:", " Activated") + Model + WarrantyActive + WarrantyEnd << v << NotActivated;
        QTest::newRow("lower case") << cell("Activation status:", "activated") + Model << v << NotActivated;
        QTest::newRow("replaced") << full + "a product that has been replaced" << v << logOf(each(1, 8, "已换机！"), replacedMessage);
        QTest::newRow("wrong IMEI") << std::string("Wrong IMEI number that has been replaced") << v << logOf(wrongMessage);
        QTest::newRow("no markers") << std::string("<p>Session expired</p>") << v << logOf(NotReplaced, NoWarranty, Ios10);
        QTest::newRow("failed cut keeps the slot") << Active + "Product description:Product description:" << v
            << logOf(NotReplaced, Activated, "T(2)=Activated", NoWarranty, Ios10);
        QTest::newRow("no warranty date, slot holds the model") << Model + WarrantyActive << v << logOf(NotReplaced, ModelShown, Warranty5, Ios10);
        QTest::newRow("empty slot is no date") << WarrantyActive + PhoneActive << v << logOf(NotReplaced, Warranty5, Phone8, Ios10);
        QTest::newRow("empty date is no date") << WarrantyActive + cell("Warranty expiration date:", "") << v << logOf(NotReplaced, Warranty5, Ios10);
        QTest::newRow("no phone date, slot holds the warranty date") << WarrantyActive + WarrantyEnd + PhoneActive << v
            << logOf(NotReplaced, Warranty5, Dates, Phone8, "T(9)=2024/6/20", Ios10);
        QTest::newRow("both phone markers") << PhoneActive + PhoneExpired + PhoneEnd << v
            << logOf(NotReplaced, NoWarranty, "T(8)=已过期", "T(9)=已过期", Phone8, phone9, Ios10);
        QTest::newRow("time shown unless midnight") << WarrantyActive + cell("Warranty expiration date:", "2024-06-20 00:00:00")
                + PhoneActive + cell("Telephone support expiration date:", "2024-07-01 08:30") << v
            << logOf(NotReplaced, Warranty5, Dates, Phone8, "T(9)=2024/7/1 08:30:00", Ios10);
        QTest::newRow("passed leap day") << WarrantyActive + cell("Warranty expiration date:", "2024-02-29") << v
            << logOf(NotReplaced, Warranty5, "T(6)=2024/2/29", "T(7)=-102天", "T(4)=2023-03-01(北京时间)", Ios10);
        // clang-format on
    }
    void readsThePage()
    {
        QFETCH(std::string, page);
        QFETCH(std::string, version);
        QFETCH(QStringList, log);
        iosVersion = version;
        ImeiSite site;
        site.result = loopback::html("<table>" + page + "</table>");
        RecordingForm form;
        LookupImei(form, Imei);
        QCOMPARE(form.log(), log);
        QCOMPARE(warranty.received().size(), 0u);
        const bool asksIos = log.last().startsWith("T(10)=");
        QCOMPARE(ios.received().size(), !asksIos ? 0u : version.empty() ? 1u : 2u);
    }

    // A date cell with a long run of blanks in it: read in time linear in the
    // page, and read right.
    void longRunsOfBlanks_data()
    {
        QTest::addColumn<std::string>("date");
        QTest::addColumn<QStringList>("log");
        const std::string blanks(256 * 1024, ' ');
        QTest::newRow("no year after the blanks")
            << "June 20" + blanks + "x" << logOf(NotReplaced, Warranty5, Ios10);
        QTest::newRow("the year after the blanks")
            << "June 20," + blanks + "2024" << logOf(NotReplaced, Warranty5, Dates, Ios10);
    }
    void longRunsOfBlanks()
    {
        QFETCH(std::string, date);
        QFETCH(QStringList, log);
        ImeiSite site;
        site.result = loopback::html(
            "<table>" + WarrantyActive + cell("Warranty expiration date:", date) + "</table>");
        RecordingForm form;
        QVERIFY2(reading::endsWithin(reading::GenerousLimit, [&] { LookupImei(form, Imei); }),
            "reading the page took seconds: it is no longer linear");
        QCOMPARE(form.log(), log);
    }
};

QTEST_GUILESS_MAIN(TestLookupImei)
#include "test_lookup_imei.moc"
