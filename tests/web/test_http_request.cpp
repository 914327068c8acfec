#include "support/Loopback.h"
#include "web/HttpRequest.h"

#include <QElapsedTimer>
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

    void overLongBodyFails()
    {
        const size_t length = size_t(HttpRequest::MaxBodyBytes) + 1;
        Server server([&](const Request&) { return loopback::html(std::string(length, 'x')); });
        HttpRequest request;
        QVERIFY(request.Open("GET", url(server, "/"), false));
        QVERIFY(!request.Send());
        QVERIFY(!request.ResponseBody().has_value());
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
