#include "lookup/sim/LookupIccid.h"

#include "support/Loopback.h"
#include "support/ReadingThread.h"
#include "support/RecordingForm.h"

#include <QtTest>

using lookup::T1;

namespace {

const QString NoAnswer = QStringLiteral("msg:网络通信异常，可能是服务器维护，请稍后再试！");
const QString Invalid
    = QStringLiteral("msg:亲，你输入的不是一个有效的ICCID码，请输入正确的ICCID码进行查询！");
const QString InvalidOnPage = QStringLiteral("<p>你输入的不是一个有效的ICCID码</p>");
const QString PhoneNote = QStringLiteral("  (左上方有利用ICCID查手机号码的方法)");
const QString RegionNote = QStringLiteral("  (移动电信较准确 联通仅供参考)");
const QString NoInfo = QStringLiteral("无相关信息！");
const QStringList AllNoInfo
    = {"T1(1)=" + NoInfo, "T1(2)=" + NoInfo, "T1(3)=" + NoInfo, "T1(4)=" + NoInfo};
const QString Iccid = QStringLiteral("89860012345678901234");

// One row of the site's result table: caption, then the value in its div.
QString row(const QString& caption, const QString& value)
{
    return QStringLiteral("<tr><td class=\"style13\">%1：</td>"
                          "<td><div class=\"style14\">%2</div></td></tr>\n")
        .arg(caption, value);
}

const QString FourRows = row("运营商", "中国移动 GSM") + row("手机号", "1380013xxxx")
    + row("卡年代", "2015年") + row("归属地", "广东 广州(020)");
const QStringList FourValues = {"T1(1)=中国移动GSM", "T1(2)=1380013XXXX" + PhoneNote,
    "T1(3)=2015年", "T1(4)=广东广州(020)" + RegionNote};

// A page laid out like the site's: result table, then its disclaimer.
QString page(const QString& rows, const QString& tail = QString())
{
    return "<html><head><meta charset=\"utf-8\"><title>ICCID查询结果</title></head><body>\n"
           "<table class=\"result\">\n"
        + rows + "</table>\n<p>数据来自网络，所以本查询结果仅供参考。</p>\n" + tail
        + "</body></html>\n";
}

// Where a redirect from the result page points; a lookup that followed it
// would see the site's rejection instead of the page it was given.
const std::string Elsewhere = "/iccid/elsewhere.php";

loopback::Response pageResponse(const QString& body, int status)
{
    loopback::Response response = loopback::html(u8(body), status);
    if (status >= 300 && status < 400)
        response.headers.emplace_back("Location", Elsewhere);
    return response;
}

struct Outcome {
    QStringList log;
    std::vector<loopback::Request> received;
    std::vector<RecordingForm::Event> events;
};

Outcome lookUp(const loopback::Response& response, const QString& iccid = Iccid)
{
    loopback::Server server([response](const loopback::Request& request) {
        if (request.path == Elsewhere)
            return loopback::html(u8(page(FourRows, InvalidOnPage)));
        return response;
    });
    qputenv("KESTRUNE_ICCID_SITE", QByteArray::fromStdString(server.base()));
    RecordingForm form;
    lookup::LookupIccid(form, iccid);
    return {form.log(), server.received(), form.events};
}

} // namespace

class TestLookupIccid : public QObject {
    Q_OBJECT

private slots:
    void sendsTheRequestTheSiteExpects()
    {
        const Outcome outcome = lookUp(loopback::html(u8(page(FourRows))));
        QCOMPARE(outcome.received.size(), size_t(1));
        const loopback::Request& request = outcome.received.front();
        QCOMPARE(qs(request.method), "GET");
        QCOMPARE(qs(request.path), "/iccid/result.php");
        QCOMPARE(qs(request.query), "ICCID=" + Iccid);
        QCOMPARE(qs(request.header("Accept-Language").value_or("")), "zh-CN");
        QCOMPARE(qs(request.header("Control-Cache").value_or("")), "no-cache");
        QVERIFY(!request.header("Content-Length").has_value());
        QVERIFY(request.body.empty());
    }

    void readsTheAnswer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("four fields: spaces removed, upper-cased")
            << 200 << page(FourRows) << FourValues;
        QTest::newRow("double quotes dropped from a value")
            << 200 << page(row("运营商", "\"中国\"联通"))
            << QStringList {
                   "T1(1)=中国联通", "T1(2)=" + NoInfo, "T1(3)=" + NoInfo, "T1(4)=" + NoInfo};
        QTest::newRow("upper-casing that lengthens the text")
            << 200 << page(row("运营商", "maßstäbe ﬃ ßßßßßß"))
            << QStringList {"T1(1)=MASSSTÄBEFFISSSSSSSSSSSS", "T1(2)=" + NoInfo, "T1(3)=" + NoInfo,
                   "T1(4)=" + NoInfo};
        QTest::newRow("white space other than spaces stays")
            << 200 << page(row("卡年代", "\t2015年\n"))
            << QStringList {
                   "T1(1)=" + NoInfo, "T1(2)=" + NoInfo, "T1(3)=\t2015年\n", "T1(4)=" + NoInfo};
        QTest::newRow("site rejects the ICCID")
            << 200 << page(QString(), InvalidOnPage) << QStringList {Invalid};
        QTest::newRow("rejection wins over four fields")
            << 200 << page(FourRows, InvalidOnPage) << QStringList {Invalid};
        QTest::newRow("rejection found after upper-casing")
            << 200 << page(FourRows, "你输入的不是一个有效的iccid码") << QStringList {Invalid};
        QTest::newRow("page without field markers")
            << 200 << page("<tr><td>暂无数据</td></tr>") << AllNoInfo;
        QTest::newRow("no value marker after the carrier")
            << 200
            << page(row("手机号", "1380013xxxx") + row("卡年代", "2015年")
                   + row("归属地", "广东 广州(020)") + "<tr><td>运营商：</td><td>?</td></tr>")
            << QStringList {FourValues[1], FourValues[2], FourValues[3]};
        QTest::newRow("value marker followed by <")
            << 200
            << page(row("运营商", "") + row("手机号", "") + row("卡年代", "") + row("归属地", ""))
            << QStringList {"T1(1)=", "T1(2)=" + PhoneNote, "T1(3)=", "T1(4)=" + RegionNote};
        QTest::newRow("only spaces up to the next value marker or the end")
            << 200
            << page(row("运营商", "中国移动 GSM")
                   + "<tr><td>手机号：</td><td><div class=style14>   <div class=style14>?</div>"
                   + row("卡年代", "2015年") + "<tr><td>归属地：</td><td><div class=style14>    ")
            << QStringList {FourValues[0], FourValues[2]};
        QTest::newRow("field marker twice before its value")
            << 200
            << page("<tr><td>手机号（手机号码）</td><td><div class=\"style14\">138</div></td></tr>")
            << QStringList {"T1(1)=" + NoInfo, "T1(3)=" + NoInfo, "T1(4)=" + NoInfo};
        QTest::newRow("page begins with the disclaimer")
            << 200 << "所以本查询结果仅供参考" + page(FourRows) << AllNoInfo;
        QTest::newRow("markers only after the table")
            << 200
            << "<table><tr><td>查询结果</td></tr></table>" + FourRows + "所以本查询结果仅供参考"
            << AllNoInfo;
        QTest::newRow("markers only after the disclaimer, no table end")
            << 200 << "<p>所以本查询结果仅供参考</p>" + FourRows << AllNoInfo;
        QTest::newRow("empty answer") << 200 << QString() << QStringList {NoAnswer};
        // An error page is the site being down, whatever it holds.
        QTest::newRow("server error page") << 500 << page(FourRows) << QStringList {NoAnswer};
        QTest::newRow("not found page") << 404 << page(FourRows) << QStringList {NoAnswer};
        QTest::newRow("redirect, not followed: no answer")
            << 302 << page(FourRows) << QStringList {NoAnswer};
        QTest::newRow("redirect without a body") << 301 << QString() << QStringList {NoAnswer};
    }
    void readsTheAnswer()
    {
        QFETCH(int, status);
        QFETCH(QString, body);
        QFETCH(QStringList, expected);

        const Outcome outcome = lookUp(pageResponse(body, status));
        QCOMPARE(outcome.log, expected);
        QCOMPARE(outcome.received.size(), size_t(1));
        for (const RecordingForm::Event& event : outcome.events) {
            if (event.kind == RecordingForm::Event::Kind::Message) {
                QCOMPARE(event.style, 64);
                QCOMPARE(event.title, QStringLiteral("Kestrune助理"));
            }
        }
    }

    void upperCasesEveryCharacterAsQtDoes()
    {
        // Every character that may stand in a value, surrogate pairs and
        // one-to-many mappings ("ß" to "SS") among them.
        QString value;
        for (char32_t c = 1; c < 0x10000; ++c) {
            if (c != u'<' && c != u' ' && c != u'"' && !QChar::isSurrogate(c))
                value += QChar(char16_t(c));
        }
        value += QStringLiteral("\U00010428\U0001E922"); // Deseret and Adlam small letters
        const Outcome outcome = lookUp(loopback::html(u8(page(row("运营商", value)))));
        QCOMPARE(outcome.log.value(0), "T1(1)=" + value.toUpper());
    }

    // Text whose upper case is longer than itself, a lot of it: read in time
    // linear in the page, and what follows it still read right.
    void longerUpperCasesInBulk_data()
    {
        QTest::addColumn<QString>("filler");
        QTest::newRow("ßa") << QString("ßa").repeated(400 * 1000);
        QTest::newRow("ﬀ, ŉ and a quote") << QString("ﬀŉ\"").repeated(300 * 1000);
        QTest::newRow("a surrogate pair") << QString("\U00010428ß").repeated(300 * 1000);
    }
    void longerUpperCasesInBulk()
    {
        QFETCH(QString, filler);
        const QString answer = page("<tr><td>" + filler + "</td></tr>"
            + row("运营商", "maßstäbe \"ﬃ\"") + row("手机号", "1380013xxxx")
            + row("卡年代", "2015年") + row("归属地", "广东 广州(020)"));
        RecordingForm form;
        QVERIFY2(reading::endsWithin(
                     reading::GenerousLimit, [&] { lookup::ReadIccidAnswer(form, answer); }),
            "reading the page took seconds: it is no longer linear");
        QCOMPARE(form.log(),
            QStringList({"T1(1)=MASSSTÄBEFFI", FourValues[1], FourValues[2], FourValues[3]}));
    }

    // Closing the window cancels the lookup: a long page is not read to its
    // end, and nothing is shown.
    void readingStopsWhenCancelled_data()
    {
        QTest::addColumn<QString>("filler");
        QTest::newRow("ordinary") << QString("<p>公告</p>").repeated(100 * 1000);
        QTest::newRow("ßa") << QString("ßa").repeated(100 * 1000);
    }
    void readingStopsWhenCancelled()
    {
        QFETCH(QString, filler);
        const QString answer = page(filler + FourRows);
        RecordingForm read;
        lookup::ReadIccidAnswer(read, answer);
        QCOMPARE(read.log(), FourValues);

        RecordingForm cancelled;
        reading::runCancelled([&] { lookup::ReadIccidAnswer(cancelled, answer); });
        QCOMPARE(cancelled.log(), QStringList());
    }

    void pageIsReadAsUtf8WhateverItsHeaderSays()
    {
        // The site's pages are UTF-8; a header naming another charset must not
        // turn the Chinese values into mojibake.
        loopback::Response response = loopback::html(u8(page(FourRows)));
        response.headers = {{"Content-Type", "text/html; charset=GBK"}};
        QCOMPARE(lookUp(response).log, FourValues);
    }

    void noServerIsTheNetworkMessage()
    {
        qputenv("KESTRUNE_ICCID_SITE",
            QByteArray("http://127.0.0.1:") + QByteArray::number(unusedLoopbackPort()));
        RecordingForm form;
        lookup::LookupIccid(form, Iccid);
        QCOMPARE(form.log(), QStringList {NoAnswer});
    }

    void iccidGoesIntoTheAddress_data()
    {
        QTest::addColumn<QString>("iccid");
        QTest::addColumn<QString>("target");

        QTest::newRow("digits") << Iccid << "/iccid/result.php?ICCID=" + Iccid;
        QTest::newRow("empty") << QString() << "/iccid/result.php?ICCID=";
        QTest::newRow("space") << "8986 0012"
                               << "/iccid/result.php?ICCID=8986%200012";
        QTest::newRow("hash") << "8986#12"
                              << "/iccid/result.php?ICCID=8986%2312";
        QTest::newRow("percent") << "8986%41"
                                 << "/iccid/result.php?ICCID=8986%2541";
        QTest::newRow("non-ASCII") << "卡8986é"
                                   << "/iccid/result.php?ICCID=%E5%8D%A18986%C3%A9";
        // Nothing typed adds a field to the query or turns into a blank there.
        QTest::newRow("query characters") << "89&a=b+c?d/e"
                                          << "/iccid/result.php?ICCID=89%26a%3Db%2Bc%3Fd%2Fe";
        QTest::newRow("other ASCII")
            << "8\"<>\\^`{|}[]'-._~"
            << "/iccid/result.php?ICCID=8%22%3C%3E%5C%5E%60%7B%7C%7D%5B%5D%27-._~";
        QTest::newRow("letters after the prefix") << "898600A1b2C3d4E5f6G7"
                                                  << "/iccid/result.php?ICCID=898600A1b2C3d4E5f6G7";
    }
    void iccidGoesIntoTheAddress()
    {
        QFETCH(QString, iccid);
        QFETCH(QString, target);

        const Outcome outcome = lookUp(loopback::html(u8(page(FourRows))), iccid);
        QCOMPARE(outcome.received.size(), size_t(1));
        QCOMPARE(qs(outcome.received.front().target), target);
        QCOMPARE(outcome.log, FourValues);
    }
};

QTEST_GUILESS_MAIN(TestLookupIccid)
#include "test_lookup_iccid.moc"
