#include "web/TextDecoding.h"

#include <QtTest>

class TestTextDecoding : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("expected");

        QTest::newRow("utf-8") << QByteArray("\xe8\xbf\x90\xe8\x90\xa5\xe5\x95\x86") << "UTF-8"
                               << QStringLiteral("运营商");
        QTest::newRow("charset names are case-insensitive")
            << QByteArray("\xe5\x8d\xa1") << "utf-8" << QStringLiteral("卡");
        QTest::newRow("gbk") << QByteArray("\xd4\xcb\xd3\xaa\xc9\xcc") << "GBK"
                             << QStringLiteral("运营商");
        QTest::newRow("gb2312") << QByteArray("\xc4\xe3\xba\xc3") << "gb2312"
                                << QStringLiteral("你好");
        QTest::newRow("gb18030 four-byte sequence")
            << QByteArray("\x90\x30\x81\x30") << "GB18030" << QString::fromUcs4(U"\U00010000", 1);
        QTest::newRow("invalid utf-8 byte") << QByteArray("a\xff"
                                                          "b")
                                            << "UTF-8" << QStringLiteral("a\uFFFDb");
        QTest::newRow("utf-8 cut off by the end of the body")
            << QByteArray("ab\xe8\xbf") << "UTF-8" << QStringLiteral("ab\uFFFD");
        QTest::newRow("line feed after a cut-off sequence kept")
            << QByteArray("ab\xe8\n") << "UTF-8" << QStringLiteral("ab\uFFFD\n");
        QTest::newRow("gbk lead byte without its trail")
            << QByteArray("\xd4\xcb\xd4") << "GBK" << QStringLiteral("运\uFFFD");
        QTest::newRow("byte-order mark dropped")
            << QByteArray("\xef\xbb\xbfok") << "UTF-8" << QStringLiteral("ok");
        QTest::newRow("empty") << QByteArray() << "UTF-8" << QString();
        QTest::newRow("empty gbk") << QByteArray() << "GBK" << QString();
        QTest::newRow("empty ebcdic") << QByteArray() << "IBM037" << QString();
        QTest::newRow("empty utf-16") << QByteArray() << "UTF-16" << QString();
        QTest::newRow("ebcdic") << QByteArray("\xc8\x85\x93\x93\x96") << "IBM037"
                                << QStringLiteral("Hello");
        QTest::newRow("ebcdic line feed kept")
            << QByteArray("\xc8\x89\x25") << "ibm037" << QStringLiteral("Hi\n");
        QTest::newRow("gb18030 four-byte sequence cut off")
            << QByteArray("a\x90\x30\x81") << "GB18030" << QStringLiteral("a\uFFFD");
        QTest::newRow("utf-16 unit cut off")
            << QByteArray("a\0b", 3) << "UTF-16LE" << QStringLiteral("a\uFFFD");
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charset);
        QFETCH(QString, expected);
        if (charset == "GB18030" && !web::DecodeText({}, charset))
            QSKIP("this system has no GB18030 (Wine lacks Windows' code page 54936)");
        const auto text = web::DecodeText(bytes, charset);
        QVERIFY(text.has_value());
        QCOMPARE(*text, expected);
    }

    void unknownCharsetIsNoText()
    {
        QVERIFY(!web::DecodeText("abc", QStringLiteral("x-no-such-charset")).has_value());
    }

    void declaredCharset_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");

        QTest::newRow("header") << "text/html; charset=GBK" << QByteArray("<html>") << "GBK";
        QTest::newRow("quoted header")
            << "text/html; Charset=\"gb2312\"" << QByteArray() << "gb2312";
        QTest::newRow("header wins over meta")
            << "text/html;charset=utf-8" << QByteArray("<meta charset=gbk>") << "utf-8";
        QTest::newRow("meta charset")
            << "text/html" << QByteArray("<head><META charset=\"GB18030\"></head>") << "GB18030";
        QTest::newRow("meta http-equiv")
            << ""
            << QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">")
            << "gbk";
        QTest::newRow("meta without charset ignored")
            << "" << QByteArray("<meta name=\"keywords\" content=\"charset\">") << "";
        QTest::newRow("charset far into the body ignored")
            << "" << QByteArray(8192, ' ') + "<meta charset=gbk>"
            << "";
        QTest::newRow("none") << "text/html" << QByteArray("<p>charset=gbk</p>") << "";
    }
    void declaredCharset()
    {
        QFETCH(QString, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(web::DeclaredCharset(contentType, body), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextDecoding)
#include "test_text_decoding.moc"
