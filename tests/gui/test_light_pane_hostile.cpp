// The light pane against pages and pictures that misbehave on purpose
// (tools/hostile): the window stays usable, memory stays bounded, nothing on
// the client's disk is read and nothing on the page runs or opens.
#include "Fonts.h"
#include "Form1.h"
#include "LightPaneTesting.h"
#include "browser/BrowserPane.h"
#include "hostile/HostileServer.h"
#include "sample-sites/SamplePicture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <fstream>
#include <memory>

namespace {

// Each request's deadline, for the cases that only it ends.
constexpr int DeadlineMs = 3000;
// A picture decoded at its claimed 50 000 x 50 000 pixels would take 9 GiB;
// the page and the pictures the pane allows stay far below this.
constexpr qint64 MemoryBoundKiB = 96 * 1024;

qint64 statusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stoll(line.substr(std::strlen(field)));
    return -1;
}

} // namespace

class TestLightPaneHostile : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;
    QTemporaryDir certificates_;
    QTemporaryDir disk_; // what a page must not read: a picture and a page
    std::unique_ptr<hostile::Server> server_;
    std::unique_ptr<lightpane::OpenerStandIn> opener_;

private slots:
    void initTestCase()
    {
        SubstituteWindowsFonts();
        QVERIFY(lightpane::chooseLightPane(settings_));
        qputenv("KESTRUNE_REQUEST_DEADLINE_MS", QByteArray::number(DeadlineMs));
        QProcess openssl;
        openssl.start("openssl",
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                "-keyout", certificates_.filePath("key.pem"), "-out",
                certificates_.filePath("cert.pem")});
        QVERIFY2(openssl.waitForFinished(30000) && openssl.exitCode() == 0,
            qPrintable("openssl: " + openssl.errorString() + openssl.readAllStandardError()));
        // Trusted, so that what the server does after the handshake is what is tried.
        qputenv("KESTRUNE_CA_FILE", certificates_.filePath("cert.pem").toUtf8());
        server_
            = std::make_unique<hostile::Server>(certificates_.filePath("cert.pem").toStdString(),
                certificates_.filePath("key.pem").toStdString());
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(disk_.filePath("local.png")));
        QFile local(disk_.filePath("local.html"));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.write("<p>本地文件内容</p>");
        opener_ = std::make_unique<lightpane::OpenerStandIn>();
    }

    void hostilePage_data()
    {
        QTest::addColumn<QString>("caseName");
        QTest::addColumn<bool>("shown"); // the page, or the link and its notice
        QTest::newRow("100 MiB page") << "100mib" << false;
        QTest::newRow("redirect from https to http") << "https-to-http" << false;
        QTest::newRow("50000x50000 picture") << "huge-picture" << true;
        QTest::newRow("file: and javascript:") << "local-files" << true;
    }
    void hostilePage()
    {
        QFETCH(QString, caseName);
        QFETCH(bool, shown);
        opener_->opened.clear();
        // The page's path names the folder of the client's disk the
        // local-files case points into.
        qputenv("KESTRUNE_MAKER_SITE",
            QByteArray::fromStdString(server_->site(caseName.toStdString()))
                + QDir(disk_.path()).absolutePath().toUtf8() + "/");
        const qint64 before = statusKiB("VmRSS:");
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak counts afresh

        Form1 form;
        QSignalSpy loaded(form.WB1(), &BrowserPane::pageLoaded);
        form.show();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 4 * DeadlineMs);
        QCOMPARE(loaded.at(0).at(0).toBool(), shown);
        const qint64 growth = statusKiB("VmHWM:") - before;
        QVERIFY2(growth < MemoryBoundKiB, qPrintable(QString("peak grew by %1 KiB").arg(growth)));

        // The window goes on taking input.
        form.T1(0)->setFocus();
        QTest::keyClicks(form.T1(0), "8986");
        QCOMPARE(form.T1(0)->text(), QStringLiteral("8986"));

        LightPane* pane = form.WB1()->lightPane();
        QVERIFY(pane);
        if (!shown) {
            const QLabel* link = form.WB1()->findChild<QLabel*>();
            QVERIFY(link->isVisible());
            QVERIFY(link->text().contains(QStringLiteral("公告未能加载")));
            return;
        }
        const QString text = pane->document()->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("敌意公告"))
                && text.contains(QStringLiteral("公告到此为止。")),
            qPrintable(text));
        // The huge picture is never decoded, the local one never read; the
        // one the page carries in a data: address shows.
        QCOMPARE(lightpane::pictureSizes(*pane->document()),
            caseName == QLatin1String("local-files")
                ? QList<QSize>({QSize(samples::SamplePictureWidth, samples::SamplePictureHeight)})
                : QList<QSize>());
        QVERIFY(!text.contains(QStringLiteral("本地文件内容")));
        // Nothing runs, nothing is submitted, and neither link opens.
        QVERIFY(!text.contains(QStringLiteral("脚本已运行")));
        QVERIFY(!text.contains(QStringLiteral("表单已提交")));
        if (caseName == QLatin1String("local-files")) {
            QVERIFY(lightpane::clickText(pane, QStringLiteral("本地链接")));
            QVERIFY(lightpane::clickText(pane, QStringLiteral("脚本链接")));
            QApplication::processEvents();
            QCOMPARE(opener_->opened, QStringList());
            QVERIFY(pane->document()->toPlainText().contains(QStringLiteral("敌意公告")));
        }
    }
};

QTEST_MAIN(TestLightPaneHostile)
#include "test_light_pane_hostile.moc"
