#include "lookup/device/LookupIosVersion.h"

#include "support/Loopback.h"

#include <QtTest>

namespace {

// The pieces of the iOS version site's two pages that a test varies.
struct IosPages {
    int homeStatus = 200;
    std::optional<std::string> setCookie = "qm_session=abc123; path=/";
    std::string homeBody = "<form method='post' action='result/'>\n"
                           "<input type='hidden' name='qm_token' value='tok4567890'/>\n</form>";
    int resultStatus = 200;
    std::string resultBody = "<table><tr><td class=\"biaoti\">iOS版本</td>"
                             "<td><strong>9.3.5</strong></td></tr></table>";
};

// The header values a request carried, for the names asked, in the order they came.
QStringList headersInOrder(const loopback::Request& request, const QStringList& names)
{
    QStringList lines;
    for (const auto& [name, value] : request.headers) {
        if (names.contains(qs(name), Qt::CaseInsensitive))
            lines << qs(name) + ": " + qs(value);
    }
    return lines;
}

} // namespace

class TestLookupIosVersion : public QObject {
    Q_OBJECT

    IosPages pages;
    loopback::Server site {[this](const loopback::Request& request) {
        if (request.method == "GET" && request.path == "/") {
            loopback::Response response = loopback::html(pages.homeBody, pages.homeStatus);
            if (pages.setCookie)
                response.headers.emplace_back("Set-Cookie", *pages.setCookie);
            return response;
        }
        if (request.method == "POST" && request.path == "/result/")
            return loopback::html(pages.resultBody, pages.resultStatus);
        return loopback::html("not here", 404);
    }};

    QString home() const { return qs(site.base()) + "/"; }

private slots:
    void init()
    {
        pages = IosPages();
        site.clearReceived();
        qputenv("KESTRUNE_IOS_SITE", home().toUtf8());
    }

    void sendsWhatTheSiteExpects()
    {
        QCOMPARE(lookup::LookupIosVersion("F2LSAMPLE001"), QStringLiteral("9.3.5"));

        const auto received = site.received();
        QCOMPARE(received.size(), size_t(2));
        const loopback::Request& get = received[0];
        QCOMPARE(get.method, std::string("GET"));
        QCOMPARE(get.target, std::string("/"));
        QCOMPARE(headersInOrder(get, {"Connection", "If-Modify-Since", "Cookie"}),
            QStringList({"Connection: Keep-Alive", "If-Modify-Since: 0"}));
        QVERIFY(get.body.empty());

        const loopback::Request& post = received[1];
        QCOMPARE(post.method, std::string("POST"));
        QCOMPARE(post.target, std::string("/result/"));
        QCOMPARE(headersInOrder(post, {"Content-Type", "Cookie", "Referer", "Control-Cache"}),
            QStringList({"Content-Type: application/x-www-form-urlencoded",
                "Cookie: qm_session=abc123", "Referer: " + home(), "Control-Cache: no-cache"}));
        QCOMPARE(post.body, std::string("qm_token=tok4567890&postsn=F2LSAMPLE001"));
        QCOMPARE(post.header("Content-Length").value_or(""), std::string("39"));
        // One session: the form post goes over the home page's connection.
        QCOMPARE(post.connection, get.connection);
    }

    void outcomes_data()
    {
        struct Case {
            const char* name;
            int homeStatus = 200;
            const char* setCookie = "qm_session=abc123; path=/"; // nullptr: none
            const char* tokenInput = "value='tok4567890'/>";
            int resultStatus = 200;
            const char* resultBody = "<td class=\"biaoti\">iOS版本</td><td><strong>9.3.5</strong>";
            const char* serial = "F2LSAMPLE001";
            const char* version = "9.3.5";
            const char* postBody = "qm_token=tok4567890&postsn=F2LSAMPLE001"; // "": no POST
        };
        const Case cases[] = {
            {.name = "version"},
            {.name = "cookie without attributes", .setCookie = "qm_session=abc123"},
            {.name = "cookie starting with ;", .setCookie = "; a=1", .version = "", .postBody = ""},
            {.name = "no Set-Cookie", .setCookie = nullptr, .version = "", .postBody = ""},
            {.name = "home page is an error page",
                .homeStatus = 500,
                .version = "",
                .postBody = ""},
            {.name = "no form token", .tokenInput = "", .version = "", .postBody = ""},
            {.name = "empty form token", .tokenInput = "value=''/>", .version = "", .postBody = ""},
            {.name = "blank before the slash stays in the token",
                .tokenInput = "value='tok4567890 '/>",
                .postBody = "qm_token=tok4567890 &postsn=F2LSAMPLE001"},
            {.name = "serial of another length, encoded",
                .serial = "C39X K&0=AAHG7F1",
                .postBody = "qm_token=tok4567890&postsn=C39X%20K%260%3DAAHG7F1"},
            {.name = "blanks and quotes leave the version and the marker",
                .resultBody
                = "<td class = \"biaoti\" >iOS 版本</td><td><strong> iOS \"9.3\" b </strong>",
                .version = "iOS9.3b"},
            {.name = "marker without <strong>",
                .resultBody = "<td class=\"biaoti\">iOS版本</td><td>9.3.5</td>",
                .version = ""},
            {.name = "empty version",
                .resultBody = "<td class=\"biaoti\">iOS版本</td><td><strong></strong>",
                .version = ""},
            {.name = "result page is an error page", .resultStatus = 500, .version = ""},
        };
        QTest::addColumn<int>("homeStatus");
        QTest::addColumn<QString>("setCookie");
        QTest::addColumn<QString>("homeBody");
        QTest::addColumn<int>("resultStatus");
        QTest::addColumn<QString>("resultBody");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("postBody");
        for (const Case& c : cases)
            QTest::newRow(c.name) << c.homeStatus << (c.setCookie ? c.setCookie : "-")
                                  << QStringLiteral("<input type='hidden' name='qm_token' %1\n")
                                         .arg(QString::fromUtf8(c.tokenInput))
                                  << c.resultStatus << QString::fromUtf8(c.resultBody) << c.serial
                                  << c.version << c.postBody;
    }
    void outcomes()
    {
        QFETCH(QString, setCookie);
        QFETCH(QString, postBody);
        QFETCH(QString, serial);
        QFETCH(int, homeStatus);
        QFETCH(QString, homeBody);
        QFETCH(int, resultStatus);
        QFETCH(QString, resultBody);
        pages = {homeStatus, setCookie == "-" ? std::nullopt : std::optional(u8(setCookie)),
            u8(homeBody), resultStatus, u8(resultBody)};

        QTEST(lookup::LookupIosVersion(serial), "version");

        const auto received = site.received();
        QCOMPARE(received.size(), size_t(postBody.isEmpty() ? 1 : 2));
        if (postBody.isEmpty())
            return;
        const loopback::Request& post = received[1];
        QCOMPARE(qs(post.body), postBody);
        // Whatever the length, the site gets the body whole and a length that says so.
        QCOMPARE(post.header("Content-Length").value_or(""), std::to_string(post.body.size()));
        QCOMPARE(post.header("Cookie").value_or(""), std::string("qm_session=abc123"));
    }

    void noSiteGivesNothing()
    {
        qputenv("KESTRUNE_IOS_SITE",
            QByteArray("http://127.0.0.1:") + QByteArray::number(unusedLoopbackPort()) + "/");
        QCOMPARE(lookup::LookupIosVersion("F2LSAMPLE001"), QString());
    }
};

QTEST_GUILESS_MAIN(TestLookupIosVersion)
#include "test_lookup_ios_version.moc"
