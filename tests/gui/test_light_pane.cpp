// The window with the light pane chosen in the settings file, against the
// sample sites: the announcement with its picture and its link, read without
// a web engine, and what the pane shows when the page cannot be had.
#include "Fonts.h"
#include "Form1.h"
#include "LightPaneTesting.h"
#include "browser/BrowserPane.h"
#include "sample-sites/SamplePicture.h"
#include "sample-sites/SampleSites.h"
#include "support/Loopback.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace {

void pointAt(const std::string& base)
{
    for (const auto& [name, value] : samples::environment(base))
        qputenv(name.c_str(), QByteArray::fromStdString(value));
}

bool holdsSampleBlue(const QImage& image)
{
    const QColor blue(samples::SamplePictureBlue[0], samples::SamplePictureBlue[1],
        samples::SamplePictureBlue[2]);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == blue)
                return true;
    return false;
}

} // namespace

class TestLightPane : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;
    std::unique_ptr<loopback::Server> sites_;
    std::unique_ptr<lightpane::OpenerStandIn> opener_;

private slots:
    void initTestCase()
    {
        SubstituteWindowsFonts();
        QVERIFY(lightpane::chooseLightPane(settings_));
        sites_ = std::make_unique<loopback::Server>(samples::answer);
        pointAt(sites_->base());
        opener_ = std::make_unique<lightpane::OpenerStandIn>();
    }

    void init() { opener_->opened.clear(); }

    void announcementWithItsPictureAndLink()
    {
        Form1 form;
        QSignalSpy painted(&form, &Form1::firstPainted);
        QSignalSpy loaded(form.WB1(), &BrowserPane::pageLoaded);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 20000);
        QCOMPARE(loaded.at(0).at(0).toBool(), true);
        QCOMPARE(painted.size(), 1);
        QVERIFY(!form.WB1()->engineLoaded());

        LightPane* pane = form.WB1()->lightPane();
        QVERIFY(pane && pane->isVisible());
        const QString text = pane->document()->toPlainText();
        for (const char* expected :
            {"Kestrune助理公告", "欢迎使用Kestrune助理3.0！", "89860012345678901234", "关于换机"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(text));
        // In the window's font: the page's own family would load another font.
        QVERIFY(!pane->document()->toHtml().contains(QStringLiteral("sans-serif")));
        QCOMPARE(lightpane::pictureSizes(*pane->document()),
            QList<QSize>({QSize(samples::SamplePictureWidth, samples::SamplePictureHeight)}));
        QTRY_VERIFY(holdsSampleBlue(pane->viewport()->grab().toImage()));
        // For people to look at, beside the window's other pictures.
        QDir().mkpath(KESTRUNE_SCREENSHOT_DIR);
        QVERIFY(form.grab().save(QStringLiteral(KESTRUNE_SCREENSHOT_DIR "/form1-light-pane.png")));

        // A screen reader finds the pane by the window's name for it and
        // reads the page's text.
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(pane);
        QCOMPARE(reader->text(QAccessible::Name), QStringLiteral("公告"));
        QVERIFY(reader->text(QAccessible::Description).contains(QStringLiteral("欢迎使用")));
        QAccessibleTextInterface* textReader = reader->textInterface();
        QVERIFY(textReader);
        QVERIFY(textReader->text(0, textReader->characterCount())
                    .contains(QStringLiteral("Kestrune助理公告")));

        // The link goes to the system browser, resolved against the page; the
        // pane stays on the announcement.
        QVERIFY(lightpane::clickText(pane, QStringLiteral("关于换机")));
        QTRY_COMPARE(opener_->opened, QStringList({qs(sites_->base()) + "/maker/huanji.html"}));
        QVERIFY(pane->document()->toPlainText().contains(QStringLiteral("欢迎使用")));
    }

    // Whatever the site does, the link to the page stays, with one line that
    // says the announcement could not be loaded.
    void pageThatCannotBeHad_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("type");
        QTest::newRow("error status") << 500 << "text/html; charset=utf-8";
        QTest::newRow("not found") << 404 << "text/html; charset=utf-8";
        QTest::newRow("not HTML") << 200 << "application/octet-stream";
    }
    void pageThatCannotBeHad()
    {
        QFETCH(int, status);
        QFETCH(QString, type);
        loopback::Server site([&](const loopback::Request&) {
            return loopback::Response {
                status, {{"Content-Type", type.toStdString()}}, "<h3>公告</h3>", false};
        });
        const auto restore = qScopeGuard([&] { pointAt(sites_->base()); });
        pointAt(site.base());
        Form1 form;
        QSignalSpy loaded(form.WB1(), &BrowserPane::pageLoaded);
        form.show();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 20000);
        QCOMPARE(loaded.at(0).at(0).toBool(), false);
        QVERIFY(!form.WB1()->lightPane()->isVisible());
        const auto labels = form.WB1()->findChildren<QLabel*>();
        QCOMPARE(labels.size(), 1);
        QVERIFY(labels[0]->isVisible());
        const QString address = qs(site.base()) + "/maker/gonggao.html";
        QVERIFY2(
            labels[0]->text().contains("href=\"" + address + "\""), qPrintable(labels[0]->text()));
        QVERIFY(labels[0]->text().contains(QStringLiteral("公告未能加载")));
        QVERIFY(labels[0]->accessibleDescription().contains(QStringLiteral("公告未能加载")));

        // The pane comes back for the next page that can be had.
        form.WB1()->Navigate(qs(sites_->base()) + "/maker/huanji.html");
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 20000);
        QCOMPARE(loaded.at(1).at(0).toBool(), true);
        QVERIFY(form.WB1()->lightPane()->isVisible());
        QVERIFY(form.WB1()->lightPane()->document()->toPlainText().contains(
            QStringLiteral("关于换机")));
    }

    // A site that never answers holds neither the window's first paint nor
    // its closing: the page is fetched on a thread of its own, which the
    // window stops as it closes.
    void silentSiteHoldsNothing()
    {
        loopback::Server silent([](const loopback::Request&) {
            loopback::Response response;
            response.silent = true;
            return response;
        });
        const auto restore = qScopeGuard([&] { pointAt(sites_->base()); });
        pointAt(silent.base());
        auto form = std::make_unique<Form1>();
        QSignalSpy painted(form.get(), &Form1::firstPainted);
        QSignalSpy loaded(form->WB1(), &BrowserPane::pageLoaded);
        form->show();
        QTRY_COMPARE(silent.received().size(), size_t(1));
        QCOMPARE(painted.size(), 1);
        QLineEdit* box = form->T1(0);
        box->setFocus();
        QTest::keyClicks(box, "8986");
        QCOMPARE(box->text(), QStringLiteral("8986"));
        // Had the window waited for the fetch, its end would be here already.
        QApplication::processEvents();
        QCOMPARE(loaded.size(), 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(form->close());
        form.reset();
        QVERIFY2(clock.elapsed() < 10000, "the pane's fetch held the window past its closing");
    }
};

QTEST_MAIN(TestLightPane)
#include "test_light_pane.moc"
