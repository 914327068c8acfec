#include "support/Loopback.h"
#include "web/HttpRequest.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using loopback::Request;
using loopback::Response;
using loopback::Server;
using web::HttpRequest;

namespace {

QString url(const Server& server, const char* path)
{
    return qs(server.base()) + QString::fromLatin1(path);
}

Response echo(const Request& request)
{
    return loopback::html(request.method + " " + request.target + " " + request.body);
}

// An answer of 250 bytes, one every 20 ms: whole only after 5 s.
constexpr int DripMs = 250 * 20;
Response dripping(bool bodyOnly)
{
    Response response = loopback::html(std::string(250, 'x'));
    response.drip = {1, 20, bodyOnly};
    return response;
}

// Sets an environment variable for one test, and takes it away again however
// the test ends.
auto environment(const char* name, const QByteArray& value)
{
    qputenv(name, value);
    return qScopeGuard([name] { qunsetenv(name); });
}

// An https server on 127.0.0.1 (openssl's own test server) with a certificate
// made for this run; KESTRUNE_CA_FILE names it. Each page is a file holding
// the whole answer, head and body.
class TlsServer {
public:
    // Windows has no openssl program; the same tests run on Linux.
    static bool available() { return !QStandardPaths::findExecutable("openssl").isEmpty(); }

    explicit TlsServer(const std::map<QString, QByteArray>& pages)
    {
        for (const auto& [name, answer] : pages) {
            QFile page(dir.filePath(name));
            if (!page.open(QIODevice::WriteOnly) || page.write(answer) != answer.size())
                return;
        }
        QProcess make;
        make.start("openssl",
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", dir.filePath("key.pem"), "-out", certificate(), "-days", "2", "-subj",
                "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
        if (!make.waitForFinished(20000) || make.exitCode() != 0)
            return;
        server.setWorkingDirectory(dir.path());
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start("openssl",
            {"s_server", "-HTTP", "-accept", "127.0.0.1:0", "-cert", certificate(), "-key",
                dir.filePath("key.pem")});
        QByteArray said;
        qsizetype accept;
        while (((accept = said.indexOf("ACCEPT ")) < 0 || !said.mid(accept).contains('\n'))
            && server.waitForReadyRead(10000))
            said += server.readAll();
        if (accept >= 0) {
            const QByteArray line = said.mid(accept).split('\n').front();
            port = line.mid(line.lastIndexOf(':') + 1).trimmed().toInt();
        }
    }
    ~TlsServer()
    {
        server.kill();
        server.waitForFinished(5000);
    }
    QString base() const { return QStringLiteral("https://127.0.0.1:%1").arg(port); }
    QString certificate() const { return dir.filePath("cert.pem"); }

    QTemporaryDir dir;
    QProcess server;
    int port = 0; // 0 while it is not running
};

QByteArray redirectTo(const QString& location, const QByteArray& statusLine = "HTTP/1.0 302 Found")
{
    return statusLine + "\r\nLocation: " + location.toUtf8() + "\r\nContent-Length: 0\r\n\r\n";
}

} // namespace

class TestHttpRequest : public QObject {
    Q_OBJECT

private slots:
    void methodIsUpperCasedAndBodyLengthIsTrue_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("wireMethod");

        QTest::newRow("post") << "post"
                              << "sn=F2L&num=1"
                              << "POST";
        QTest::newRow("Get") << "Get" << QString() << "GET";
        QTest::newRow("POST with a non-ASCII body") << "POST"
                                                    << "a=运营商"
                                                    << "POST";
    }
    void methodIsUpperCasedAndBodyLengthIsTrue()
    {
        QFETCH(QString, method);
        QFETCH(QString, body);
        QFETCH(QString, wireMethod);
        Server server(echo);
        HttpRequest request;
        QVERIFY(request.Open(method, url(server, "/form"), false));
        // A hand-set length that contradicts the body must not reach the wire.
        QVERIFY(request.SetRequestHeader("Content-Length", "39"));
        QVERIFY(request.SetRequestHeader("Accept-Language", "zh-CN"));
        QVERIFY(body.isNull() ? request.Send() : request.Send(body));

        const auto received = server.received();
        QCOMPARE(received.size(), size_t(1));
        QCOMPARE(qs(received[0].method), wireMethod);
        QCOMPARE(qs(received[0].body), body.isNull() ? QString() : body);
        const QByteArray utf8 = body.toUtf8();
        QCOMPARE(received[0].header("Content-Length").value_or("none"),
            body.isNull() ? std::string("none") : std::to_string(utf8.size()));
        QCOMPARE(received[0].header("Accept-Language").value_or(""), std::string("zh-CN"));
        QCOMPARE(request.Status(), std::optional<int>(200));
    }

    void headersKeepTheOrderTheyWereSetIn()
    {
        Server server(echo);
        HttpRequest request;
        QVERIFY(request.Open("POST", url(server, "/"), false));
        request.SetRequestHeader("Referer", "http://a/");
        request.SetRequestHeader("Content-Type", "application/x-www-form-urlencoded");
        request.SetRequestHeader("x-requested-with", "XMLHttpRequest");
        request.SetRequestHeader("Cookie", "sid=1;");
        request.SetRequestHeader("referer", "http://b/"); // replaces, keeps its place
        QVERIFY(request.Send("x=1"));
        std::vector<std::string> ours;
        for (const auto& name : server.received().at(0).headerNames())
            if (name == "referer" || name == "content-type" || name == "x-requested-with"
                || name == "cookie")
                ours.push_back(name);
        QCOMPARE(ours,
            (std::vector<std::string> {"referer", "content-type", "x-requested-with", "cookie"}));
        QCOMPARE(server.received().at(0).header("Referer").value(), std::string("http://b/"));
    }

    void redirects_data()
    {
        QTest::addColumn<bool>("follow");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        QTest::newRow("followed") << true << 200 << "arrived" << 2;
        QTest::newRow("option 6 false") << false << 302 << "moved" << 1;
    }
    void redirects()
    {
        QFETCH(bool, follow);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(int, requests);
        Server server([](const Request& request) {
            if (request.path == "/final")
                return loopback::html("arrived");
            Response moved = loopback::html("moved", 302);
            moved.headers.emplace_back("Location", "/final");
            return moved;
        });
        HttpRequest request;
        QVERIFY(request.Option(HttpRequest::EnableRedirects, follow));
        QVERIFY(request.Open("GET", url(server, "/start"), false));
        QVERIFY(request.Send());
        QCOMPARE(request.Status(), std::optional<int>(status));
        QCOMPARE(request.ResponseText(), std::optional<QString>(text));
        QCOMPARE(int(server.received().size()), requests);
    }

    void redirectsStopAtTenAndOnlyGoToHttp_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<int>("requests");
        QTest::newRow("endless loop") << "/loop" << 11;
        QTest::newRow("to a file") << "file:///etc/passwd" << 1;
        QTest::newRow("to ftp") << "ftp://127.0.0.1/x" << 1;
    }
    void redirectsStopAtTenAndOnlyGoToHttp()
    {
        QFETCH(QString, location);
        QFETCH(int, requests);
        Server server([&](const Request&) {
            Response moved = loopback::html("moved", 302);
            moved.headers.emplace_back("Location", u8(location));
            return moved;
        });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/loop"), false));
        QVERIFY(!request.Send());
        QVERIFY(!request.ResponseText().has_value());
        QCOMPARE(int(server.received().size()), requests);
    }

    void oneObjectIsOneSession()
    {
        Server server([](const Request& request) {
            Response response = loopback::html("ok");
            if (request.path == "/set")
                response.headers.emplace_back("Set-Cookie", "sid=abc123; Path=/");
            return response;
        });
        HttpRequest first;
        QVERIFY(first.Open("GET", url(server, "/set"), false) && first.Send());
        QVERIFY(first.Open("POST", url(server, "/use"), false) && first.Send("x=1"));
        QVERIFY(first.Open("GET", url(server, "/again"), false) && first.Send());
        HttpRequest second;
        QVERIFY(second.Open("GET", url(server, "/use"), false) && second.Send());

        const auto received = server.received();
        QCOMPARE(received.size(), size_t(4));
        QCOMPARE(received[1].header("Cookie").value_or(""), std::string("sid=abc123"));
        QCOMPARE(received[1].connection, received[0].connection); // connection reused
        // Nothing of the POST carries over into the next request.
        QCOMPARE(received[2].method + received[2].body, std::string("GET"));
        QVERIFY(!received[2].header("Content-Type").has_value());
        QVERIFY(!received[3].header("Cookie").has_value()); // not shared across objects
        QVERIFY(received[3].connection != received[0].connection);
    }

    void handSetCookieStandsAloneAndTheSessionKeepsItsOwn()
    {
        Server server([](const Request& request) {
            Response response = loopback::html("ok");
            if (request.path == "/")
                response.headers.emplace_back("Set-Cookie", "sid=abc; path=/");
            if (request.path == "/result/")
                response.headers.emplace_back("Set-Cookie", "step=2; path=/");
            return response;
        });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), false) && request.Send());
        QVERIFY(request.Open("POST", url(server, "/result/"), false));
        QVERIFY(request.SetRequestHeader("Cookie", "token=xyz;"));
        QVERIFY(request.Send("a=b"));
        QVERIFY(request.Open("GET", url(server, "/after"), false) && request.Send());

        const auto received = server.received();
        const auto names = received.at(1).headerNames();
        QCOMPARE(std::count(names.begin(), names.end(), "cookie"), 1L);
        QCOMPARE(received.at(1).header("Cookie").value(), std::string("token=xyz;"));
        const QString after = qs(received.at(2).header("Cookie").value_or(""));
        QVERIFY2(after.contains("sid=abc") && after.contains("step=2"), qPrintable(after));
    }

    void firstOfRepeatedResponseHeaders()
    {
        Server server([](const Request&) {
            Response response = loopback::html("ok");
            response.headers.emplace_back("Set-Cookie", "first=1; path=/");
            response.headers.emplace_back("Set-Cookie", "second=2; path=/");
            return response;
        });
        HttpRequest request;
        QVERIFY(!request.GetResponseHeader("Set-Cookie").has_value());
        QVERIFY(request.Open("GET", url(server, "/"), false) && request.Send());
        QCOMPARE(
            request.GetResponseHeader("set-cookie"), std::optional<QString>("first=1; path=/"));
        QVERIFY(!request.GetResponseHeader("X-None").has_value());
    }

    void errorStatusIsStillAnAnswer()
    {
        Server server([](const Request&) { return loopback::html("down", 503); });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), false));
        QVERIFY(request.Send());
        QCOMPARE(request.Status(), std::optional<int>(503));
        QCOMPARE(request.ResponseText(), std::optional<QString>("down"));
    }

    void silentServerEndsWithinTheTimeouts()
    {
        Server server([](const Request&) {
            Response silent;
            silent.silent = true;
            return silent;
        });
        HttpRequest request;
        request.SetTimeouts(1000, 1000);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(request.Open("GET", url(server, "/"), false));
        QVERIFY(!request.Send());
        QVERIFY(!request.ResponseBody().has_value());
        QVERIFY2(clock.elapsed() < 15000, "the receive time-out did not end the transfer");
    }

    void waitForResponseGivesUpAtItsTimeout()
    {
        Server server([](const Request&) {
            Response silent;
            silent.silent = true;
            return silent;
        });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), true));
        QVERIFY(request.Send()); // returns at once
        QVERIFY(!request.WaitForResponse(1));
        QVERIFY(!request.ResponseBody().has_value());
    }

    void asynchronousRequestCompletesInWaitForResponse()
    {
        Server server(echo);
        HttpRequest request;
        QVERIFY(request.Open("Get", url(server, "/iccid/result.php?ICCID=1"), true));
        QVERIFY(request.Send());
        QVERIFY(request.WaitForResponse(10000));
        QCOMPARE(
            request.ResponseBody(), std::optional<QByteArray>("GET /iccid/result.php?ICCID=1 "));
    }

    // The longest answer taken comes whole, though it is more than a
    // socket's buffers hold at once; one byte more fails.
    void bodyLimit_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("taken");
        QTest::newRow("at the limit") << HttpRequest::MaxBodyBytes << true;
        QTest::newRow("over the limit") << HttpRequest::MaxBodyBytes + 1 << false;
    }
    void bodyLimit()
    {
        QFETCH(qsizetype, length);
        QFETCH(bool, taken);
        Server server(
            [&](const Request&) { return loopback::html(std::string(size_t(length), 'x')); });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), false));
        QCOMPARE(request.Send(), taken);
        const auto body = request.ResponseBody();
        QCOMPARE(body.has_value(), taken);
        if (taken)
            QVERIFY(body->size() == length && body->count('x') == length);
    }

    void unreachablePortFailsFast()
    {
        HttpRequest request;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(request.Open(
            "GET", QStringLiteral("http://127.0.0.1:%1/").arg(unusedLoopbackPort()), true));
        request.Send();
        QVERIFY(!request.WaitForResponse(10000));
        QVERIFY(!request.ResponseText().has_value());
        QVERIFY2(clock.elapsed() < 5000, "a refused connection was waited on");
    }

    void refusesWhatIsNoWebAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("file") << "file:///etc/passwd";
        QTest::newRow("ftp") << "ftp://127.0.0.1/";
        QTest::newRow("no host") << "http:///x";
        QTest::newRow("not an address") << "iccid result";
    }
    void refusesWhatIsNoWebAddress()
    {
        QFETCH(QString, address);
        HttpRequest request;
        QVERIFY(!request.Open("GET", address, false));
        QVERIFY(!request.SetRequestHeader("A", "b"));
        QVERIFY(!request.Send());
        QVERIFY(!request.ResponseText().has_value());
    }

    void refusesHeadersThatWouldSplitTheRequest()
    {
        Server server(echo);
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), false));
        QVERIFY(!request.SetRequestHeader("Cookie", "a=1\r\nX-Injected: 1"));
        QVERIFY(!request.SetRequestHeader("Bad:Name", "1"));
        QVERIFY(request.Send());
        QVERIFY(!server.received().at(0).header("X-Injected").has_value());
    }

    void responseTextFollowsTheDeclaredCharset_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("gbk header") << QByteArray("text/html; charset=gbk")
                                    << QByteArray("\xd4\xcb\xd3\xaa\xc9\xcc") << "运营商";
        QTest::newRow("gb2312 meta")
            << QByteArray("text/html") << QByteArray("<meta charset=gb2312>\xc4\xe3\xba\xc3")
            << "<meta charset=gb2312>你好";
        QTest::newRow("undeclared is utf-8")
            << QByteArray("text/html") << QByteArray("\xe5\x8d\xa1") << "卡";
        QTest::newRow("unknown charset read as utf-8")
            << QByteArray("text/html; charset=x-unknown") << QByteArray("\xe5\x8d\xa1") << "卡";
        QTest::newRow("invalid bytes") << QByteArray("text/html; charset=utf-8")
                                       << QByteArray("a\xff\xfe"
                                                     "b")
                                       << "a\uFFFD\uFFFDb";
    }
    void responseTextFollowsTheDeclaredCharset()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        Server server([&](const Request&) {
            return Response {
                200, {{"Content-Type", contentType.toStdString()}}, body.toStdString(), false};
        });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), false) && request.Send());
        QCOMPARE(request.ResponseText(), std::optional<QString>(expected));
        QCOMPARE(request.ResponseBody(), std::optional<QByteArray>(body));
    }

    void deadlineEndsADrippingAnswer_data()
    {
        QTest::addColumn<bool>("bodyOnly");
        QTest::addColumn<bool>("async");
        QTest::addColumn<int>("setDeadlineMs");
        QTest::addColumn<QByteArray>("environmentMs");

        QTest::newRow("head drips, Send") << false << false << 300 << QByteArray();
        QTest::newRow("body drips, WaitForResponse(10000)") << true << true << 300 << QByteArray();
        QTest::newRow("environment shortens the default")
            << true << false << HttpRequest::DefaultDeadlineMs << QByteArray("300");
        QTest::newRow("environment never lengthens") << true << true << 300 << QByteArray("600000");
    }
    void deadlineEndsADrippingAnswer()
    {
        QFETCH(bool, bodyOnly);
        QFETCH(bool, async);
        QFETCH(int, setDeadlineMs);
        QFETCH(QByteArray, environmentMs);
        const auto restore = environment("KESTRUNE_REQUEST_DEADLINE_MS", environmentMs);
        Server server([&](const Request&) { return dripping(bodyOnly); });
        HttpRequest request;
        request.SetTimeouts(60000, 30000, setDeadlineMs);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(request.Open("GET", url(server, "/"), async));
        QCOMPARE(request.Send(), async);
        if (async)
            QVERIFY(!request.WaitForResponse(10000));
        QVERIFY2(clock.elapsed() < DripMs, "the request waited for the whole dripped answer");
        QVERIFY(!request.ResponseBody().has_value());
        QVERIFY(!request.Status().has_value());
    }

    void badDeadlineInTheEnvironmentIsIgnoredWithOneWarning_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("zero") << QByteArray("0");
        QTest::newRow("negative") << QByteArray("-300");
        QTest::newRow("no number") << QByteArray("300ms");
    }
    void badDeadlineInTheEnvironmentIsIgnoredWithOneWarning()
    {
        QFETCH(QByteArray, value);
        const auto restore = environment("KESTRUNE_REQUEST_DEADLINE_MS", value);
        const QRegularExpression warning("KESTRUNE_REQUEST_DEADLINE_MS.*ignored");
        QTest::ignoreMessage(QtWarningMsg, warning);
        QTest::failOnWarning(warning); // a second one
        Server server([](const Request&) {
            Response response = loopback::html("late");
            response.drip = {2, 20, true}; // a moment, not a deadline's worth
            return response;
        });
        for (int i = 0; i < 2; ++i) {
            HttpRequest request;
            QVERIFY(request.Open("GET", url(server, "/"), false));
            QVERIFY(request.Send());
            QCOMPARE(request.ResponseText(), std::optional<QString>("late"));
        }
    }

    void refusesUnsafeMethodsAndHeaders_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("taken"); // for a method: opened; for a header: set

        const QString nul(QChar(0));
        QTest::newRow("method CR LF") << "GET / HTTP/1.1\r\nX-Injected: 1\r\nX:"
                                      << ""
                                      << "" << false;
        QTest::newRow("method blank") << "GET /x"
                                      << ""
                                      << "" << false;
        QTest::newRow("method NUL") << "GE" + nul + "T"
                                    << ""
                                    << "" << false;
        QTest::newRow("method empty") << ""
                                      << ""
                                      << "" << false;
        QTest::newRow("method token") << "m-SEARCH"
                                      << ""
                                      << "" << true;
        QTest::newRow("name bare CR") << "GET"
                                      << "X-A\rX-Injected"
                                      << "1" << false;
        QTest::newRow("name NUL") << "GET"
                                  << "X-A" + nul << "1" << false;
        QTest::newRow("name blank") << "GET"
                                    << "X A"
                                    << "1" << false;
        QTest::newRow("name leading blank") << "GET"
                                            << " X-A"
                                            << "1" << false;
        QTest::newRow("name non-ASCII letter") << "GET"
                                               << "X-Ä"
                                               << "1" << false;
        QTest::newRow("name colon") << "GET"
                                    << "X-A:"
                                    << "1" << false;
        QTest::newRow("name empty") << "GET"
                                    << ""
                                    << "1" << false;
        QTest::newRow("value NUL") << "GET"
                                   << "X-A"
                                   << "1" + nul + "2" << false;
        QTest::newRow("value bare CR") << "GET"
                                       << "X-A"
                                       << "1\rX-Injected: 1" << false;
        QTest::newRow("value LF") << "GET"
                                  << "X-A"
                                  << "1\nX-Injected: 1" << false;
        QTest::newRow("header token, value with blank and tab") << "GET"
                                                                << "X-A_b.c"
                                                                << "1 2\t3" << true;
    }
    void refusesUnsafeMethodsAndHeaders()
    {
        QFETCH(QString, method);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(bool, taken);
        const bool headerRow = !name.isNull() && !value.isEmpty();
        Server server(echo);
        HttpRequest request;
        if (!headerRow && !taken) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot open: the method"));
            QTest::ignoreMessage(QtWarningMsg, "nothing sent: no request is open");
        }
        QCOMPARE(request.Open(method, url(server, "/"), false), headerRow || taken);
        if (headerRow) {
            if (!taken)
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused: the name is no"));
            QCOMPARE(request.SetRequestHeader(name, value), taken);
        }
        QCOMPARE(request.Send(), headerRow || taken);
        const auto received = server.received();
        QCOMPARE(received.size(), size_t(headerRow || taken ? 1 : 0));
        if (received.empty())
            return;
        QCOMPARE(qs(received[0].method), method.toUpper());
        QVERIFY(!received[0].header("X-Injected").has_value());
        QCOMPARE(received[0].header("X-A_b.c").value_or("none"),
            taken && headerRow ? u8(value) : "none");
    }

    // libcurl counts host and port as the origin a hand-set Cookie belongs to:
    // a 307 or 308 to another port of the same host re-sends the body
    // without it.
    void redirectedPostKeepsItsBodyButNotItsCookie_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("otherPort");
        QTest::newRow("307, same server") << 307 << false;
        QTest::newRow("307, other port") << 307 << true;
        QTest::newRow("308, other port") << 308 << true;
    }
    void redirectedPostKeepsItsBodyButNotItsCookie()
    {
        QFETCH(int, status);
        QFETCH(bool, otherPort);
        Server other(echo);
        Server first([&](const Request& request) {
            if (request.path == "/moved")
                return echo(request);
            const std::string to = otherPort ? other.base() + "/moved" : "/moved";
            return Response {status, {{"Location", to}}, ""};
        });
        HttpRequest request;
        QVERIFY(request.Open("POST", url(first, "/form"), false));
        QVERIFY(request.SetRequestHeader("Content-Type", "application/x-www-form-urlencoded"));
        QVERIFY(request.SetRequestHeader("Cookie", "token=xyz"));
        QVERIFY(request.Send("a=b"));
        QCOMPARE(request.ResponseText(), std::optional<QString>("POST /moved a=b"));

        const Request arrived = (otherPort ? other : first).received().back();
        QCOMPARE(arrived.header("Content-Type").value_or(""), "application/x-www-form-urlencoded");
        QCOMPARE(arrived.header("Cookie").value_or("none"), otherPort ? "none" : "token=xyz");
        QCOMPARE(first.received().front().header("Cookie").value_or(""), "token=xyz");
    }

    void neverFromHttpsToHttp_data()
    {
        QTest::addColumn<QString>("start"); // "https:" for the https server, else the http one
        QTest::addColumn<bool>("follow");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::addColumn<int>("plainRequests");
        QTest::newRow("https page") << "https:/page" << true << std::optional<QString>("safe") << 0;
        QTest::newRow("https to https")
            << "https:/to-page" << true << std::optional<QString>("safe") << 0;
        QTest::newRow("https to http")
            << "https:/to-plain" << true << std::optional<QString>() << 0;
        QTest::newRow("http to https to http") << "/start" << true << std::optional<QString>() << 1;
        // libcurl reads status lines more leniently than a split on one blank.
        QTest::newRow("https to http, 307")
            << "https:/temporary" << true << std::optional<QString>() << 0;
        QTest::newRow("https to http, two blanks before the code")
            << "https:/spaced" << true << std::optional<QString>() << 0;
        QTest::newRow("https to http, no blank after the code")
            << "https:/glued" << true << std::optional<QString>() << 0;
        QTest::newRow("https to http, option 6 false")
            << "https:/to-plain" << false << std::optional<QString>("") << 0;
    }
    void neverFromHttpsToHttp()
    {
        QFETCH(QString, start);
        QFETCH(bool, follow);
        QFETCH(std::optional<QString>, text);
        QFETCH(int, plainRequests);
        std::string tlsBase;
        Server plain([&](const Request& request) {
            if (request.path == "/start")
                return Response {302, {{"Location", tlsBase + "/to-plain"}}, ""};
            return loopback::html("plain");
        });
        if (!TlsServer::available())
            QSKIP("openssl's test server is not there");
        TlsServer tls({{"page", "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nsafe"},
            {"to-page", redirectTo("/page")}, {"to-plain", redirectTo(url(plain, "/plain"))},
            {"temporary", redirectTo(url(plain, "/plain"), "HTTP/1.1 307 Temporary Redirect")},
            {"spaced", redirectTo(url(plain, "/plain"), "HTTP/1.1  302 Found")},
            {"glued", redirectTo(url(plain, "/plain"), "HTTP/1.1 302Found")}});
        QVERIFY2(tls.port > 0, "openssl's test server did not start");
        tlsBase = u8(tls.base());
        const auto restore = environment("KESTRUNE_CA_FILE", tls.certificate().toLocal8Bit());

        HttpRequest request;
        QVERIFY(request.Option(HttpRequest::EnableRedirects, follow));
        const QString address = start.startsWith("https:") ? tls.base() + start.mid(6)
                                                           : url(plain, qPrintable(start));
        QVERIFY(request.Open("GET", address, false));
        if (!text)
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression("redirect from https to http refused"));
        QCOMPARE(request.Send(), text.has_value());
        QCOMPARE(request.ResponseText(), text);
        QCOMPARE(int(plain.received().size()), plainRequests);
    }

    // The extra trust file is read only when it is a regular file; a block
    // that does not read is named and left out, and costs no other
    // certificate its trust.
    void extraTrustFileIsReadWithCare_data()
    {
        QTest::addColumn<QString>("file"); // "broken": the server's certificate, then a broken one
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("trusted"); // the server's certificate
        QTest::newRow("a block cut short") << "broken"
                                           << "block 2 \\(line %1\\) does not read" << true;
        QTest::newRow("a device") << "/dev/zero"
                                  << "not a regular file" << false;
        QTest::newRow("a FIFO") << "fifo"
                                << "not a regular file" << false;
    }
    void extraTrustFileIsReadWithCare()
    {
        QFETCH(QString, file);
        QFETCH(QString, problem);
        QFETCH(bool, trusted);
        if (!TlsServer::available())
            QSKIP("openssl's test server is not there");
        TlsServer tls(std::map<QString, QByteArray> {
            {"page", "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nsafe"}});
        QVERIFY2(tls.port > 0, "openssl's test server did not start");
        QFile certificate(tls.certificate());
        QVERIFY(certificate.open(QIODevice::ReadOnly));
        const QByteArray good = certificate.readAll();
        const QString path = file == "/dev/zero" ? file : tls.dir.filePath(file);
        if (file == "broken") {
            QFile broken(path);
            QVERIFY(broken.open(QIODevice::WriteOnly));
            broken.write(
                good + good.left(good.indexOf('\n') + 1 + 64) + "\n-----END CERTIFICATE-----\n");
            problem = problem.arg(good.count('\n') + 1);
        } else if (file == "fifo" && QProcess::execute("mkfifo", {path}) != 0) {
            QSKIP("no mkfifo here");
        } else if (!QFileInfo(path).exists()) {
            QSKIP("no such device here");
        }
        const auto restore = environment("KESTRUNE_CA_FILE", path.toLocal8Bit());
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QRegularExpression::escape(path) + ".*" + problem));

        // In a thread of its own, so that a read that blocks fails the test
        // instead of hanging it.
        std::optional<QString> text;
        QThread* worker = QThread::create([&] {
            HttpRequest request;
            if (request.Open("GET", tls.base() + "/page", false) && request.Send())
                text = request.ResponseText();
        });
        worker->start();
        const bool quick = worker->wait(10000);
        if (!quick) { // a writer's end releases a reader blocked on a FIFO
            QFile writer(path);
            writer.open(QIODevice::WriteOnly);
            writer.close();
            worker->wait();
        }
        delete worker;
        QVERIFY2(quick, "reading the file blocked");
        QCOMPARE(text, trusted ? std::optional<QString>("safe") : std::nullopt);
    }

    void transferAbortsWhenItsThreadIsAskedToStop()
    {
        Server server([](const Request&) {
            Response silent;
            silent.silent = true;
            return silent;
        });
        std::optional<bool> sent;
        QThread* worker = QThread::create([&] {
            HttpRequest request;
            request.Open("GET", url(server, "/"), false);
            sent = request.Send();
        });
        worker->start();
        QTRY_COMPARE(server.received().size(), size_t(1));
        worker->requestInterruption();
        QVERIFY(worker->wait(5000));
        delete worker;
        QCOMPARE(sent, std::optional<bool>(false));
    }
};

QTEST_GUILESS_MAIN(TestHttpRequest)
#include "test_http_request.moc"
