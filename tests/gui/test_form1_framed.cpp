// The window under a real window manager, which puts a frame around it: the
// outer size, frame included, is what stays at 12300 x 10000 twips.
#include "Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QWindow>
#include <QtTest>

class TestForm1Framed : public QObject {
    Q_OBJECT

    QProcess windowManager_;

private slots:
    void initTestCase()
    {
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY2(windowManager_.waitForStarted(), "openbox is missing");
        // The window manager is ready once a window mapped now gets a frame.
        QElapsedTimer waited;
        waited.start();
        bool framed = false;
        while (!framed && waited.elapsed() < 20000) {
            QWidget probe;
            probe.resize(100, 100);
            probe.show();
            // A window mapped while the manager starts up may never be shown:
            // then the next probe tries again.
            (void)QTest::qWaitForWindowExposed(&probe, 1000);
            QTest::qWait(100);
            framed = probe.windowHandle()->frameMargins().top() > 0;
        }
        QVERIFY2(framed, "openbox did not frame a window");
    }

    void cleanupTestCase()
    {
        windowManager_.terminate();
        windowManager_.waitForFinished();
    }

    void outerSizeIsHeldInsideTheFrame()
    {
        Form1 form(Form1::Options {false});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The frame is known once the window manager has framed the window.
        QTRY_VERIFY(form.frameGeometry().size() != form.size());
        QTRY_COMPARE(form.frameGeometry().size(), Form1::outerSize());
        const QSize client = form.size();
        QVERIFY(client.width() < Form1::outerSize().width());
        QVERIFY(client.height() < Form1::outerSize().height());
        // The offline reading below the ICCID frame stays inside what the frame leaves.
        const auto labels = form.findChildren<QLabel*>();
        const auto line = std::find_if(labels.begin(), labels.end(),
            [](QLabel* label) { return label->accessibleName() == QStringLiteral("离线解析"); });
        QVERIFY(line != labels.end());
        QVERIFY2(form.rect().contains((*line)->geometry()),
            qPrintable(QStringLiteral("client %1 x %2, line bottom %3")
                           .arg(client.width())
                           .arg(client.height())
                           .arg((*line)->geometry().bottom())));

        form.resize(client + QSize(120, 80));
        QTest::qWait(200);
        QCOMPARE(form.frameGeometry().size(), Form1::outerSize());
        // The window manager is told the size is fixed, so no border can be dragged.
        QCOMPARE(form.minimumSize(), form.maximumSize());

        form.showMinimized();
        QTRY_VERIFY(form.isMinimized());
        form.showNormal();
        QTRY_VERIFY(!form.isMinimized());
        QTRY_COMPARE(form.frameGeometry().size(), Form1::outerSize());
    }
};

QTEST_MAIN(TestForm1Framed)
#include "test_form1_framed.moc"
