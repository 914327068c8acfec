#include "lookup/Sites.h"

#include <QtTest>

#include <thread>
#include <vector>

class TestSites : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

    QString writeSettings(const QByteArray& sites)
    {
        const QString path = scratch_.filePath("kestrune.conf");
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("[sites]\n" + sites);
        return path;
    }

private slots:
    // Not the settings of whoever runs the tests.
    void initTestCase() { lookup::Sites::useSettingsFile(scratch_.filePath("none.conf")); }

    void builtInHostsAreReserved()
    {
        for (const char* variable :
            {"KESTRUNE_WARRANTY_URL", "KESTRUNE_IMEI_SITE", "KESTRUNE_IOS_SITE",
                "KESTRUNE_ICCID_SITE", "KESTRUNE_MAKER_SITE", "KESTRUNE_SHOP_URL"})
            qunsetenv(variable);
        const lookup::Sites sites = lookup::Sites::fromEnvironment();
        for (const QString& address : {sites.warrantyUrl, sites.imeiSite, sites.iosSite,
                 sites.iccidSite, sites.makerSite, sites.shopUrl}) {
            const QUrl url(address);
            QVERIFY2(url.host().endsWith(".example"), qPrintable(address));
            QCOMPARE(url.scheme(), QStringLiteral("https"));
        }
        QVERIFY(sites.warrantyUrl.endsWith("/wcResults.do"));
    }

    // People type site addresses with and without the closing "/".
    void environmentReplacesEachAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("iccidPage");
        QTest::addColumn<QString>("validatePage");
        QTest::addColumn<QString>("announcement");
        QTest::newRow("as documented") << "http://127.0.0.1:8765"
                                       << "http://127.0.0.1:8765/iccid/result.php"
                                       << "http://127.0.0.1:8765/x/validate.php"
                                       << "http://127.0.0.1:8765/x/gonggao.html";
        QTest::newRow("slashes the other way") << "http://127.0.0.1:8765/"
                                               << "http://127.0.0.1:8765/iccid/result.php"
                                               << "http://127.0.0.1:8765/x/validate.php"
                                               << "http://127.0.0.1:8765/x/gonggao.html";
    }
    void environmentReplacesEachAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, iccidPage);
        QFETCH(QString, validatePage);
        QFETCH(QString, announcement);
        const bool documented = !typed.endsWith('/');
        const QString base = documented ? typed : typed.chopped(1);
        qputenv("KESTRUNE_ICCID_SITE", typed.toUtf8());
        qputenv("KESTRUNE_IMEI_SITE", (base + (documented ? "/x/" : "/x")).toUtf8());
        qputenv("KESTRUNE_MAKER_SITE", (base + (documented ? "/x/" : "/x")).toUtf8());
        qputenv("KESTRUNE_SHOP_URL", "  http://127.0.0.1:8765/item.htm?id=1  ");
        const lookup::Sites sites = lookup::Sites::fromEnvironment();
        QCOMPARE(sites.iccidResultPage(), iccidPage);
        QCOMPARE(sites.imeiValidatePage(), validatePage);
        QCOMPARE(sites.announcementPage(), announcement);
        QCOMPARE(sites.shopUrl, QStringLiteral("http://127.0.0.1:8765/item.htm?id=1"));
    }

    // Lookups ask for the sites every time, on several threads at once: the
    // file is read by the first, once; the environment is read every time.
    void settingsFileReadOnceEnvironmentEveryTime()
    {
        qunsetenv("KESTRUNE_MAKER_SITE");
        qunsetenv("KESTRUNE_IMEI_SITE");
        lookup::Sites::useSettingsFile(writeSettings("maker_site=\"http://127.0.0.1:1/a/\"\n"
                                                     "imei_site=gopher://127.0.0.1/\n"));
        std::vector<QString> seen(8);
        std::vector<std::thread> threads;
        for (QString& makerSite : seen)
            threads.emplace_back(
                [&makerSite] { makerSite = lookup::Sites::fromEnvironment().makerSite; });
        for (std::thread& thread : threads)
            thread.join();
        for (const QString& makerSite : seen)
            QCOMPARE(makerSite, QStringLiteral("http://127.0.0.1:1/a/"));
        QCOMPARE(lookup::Sites::fromEnvironment().imeiSite,
            QStringLiteral("https://www.imei-check.example/"));

        writeSettings("maker_site=\"http://127.0.0.1:1/b/\"\n");
        QCOMPARE(
            lookup::Sites::fromEnvironment().makerSite, QStringLiteral("http://127.0.0.1:1/a/"));
        qputenv("KESTRUNE_MAKER_SITE", "http://127.0.0.1:2/env");
        QCOMPARE(
            lookup::Sites::fromEnvironment().makerSite, QStringLiteral("http://127.0.0.1:2/env/"));
        qunsetenv("KESTRUNE_MAKER_SITE");

        lookup::Sites::useSettingsFile(scratch_.filePath("missing.conf"));
        QVERIFY(!lookup::Sites::readSettingsFile());
        QCOMPARE(lookup::Sites::fromEnvironment().makerSite,
            QStringLiteral("https://iccid.kestrune.example/"));
    }
};

QTEST_GUILESS_MAIN(TestSites)
#include "test_sites.moc"
