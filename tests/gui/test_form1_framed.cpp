// The window under a real window manager, which puts a frame around it: the
// outer size, frame included, is what stays at 12300 x 10000 twips.
#include "Form1.h"
#include "XClientMessages.h"

#include <QApplication>
#include <QElapsedTimer>
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

    // What a key binding or a window menu asks the window manager for: the
    // window comes back to its size, its title bar on the screen.
    void fullScreenAndMaximiseLeaveTheSizeHeld_data()
    {
        QTest::addColumn<QStringList>("requests"); // "+STATE" adds, "-STATE" removes
        QTest::newRow("full screen") << QStringList {"+_NET_WM_STATE_FULLSCREEN"};
        QTest::newRow("full screen on and off")
            << QStringList {"+_NET_WM_STATE_FULLSCREEN", "-_NET_WM_STATE_FULLSCREEN"};
        QTest::newRow("maximised")
            << QStringList {"+_NET_WM_STATE_MAXIMIZED_VERT", "+_NET_WM_STATE_MAXIMIZED_HORZ"};
        QTest::newRow("full screen twice")
            << QStringList {"+_NET_WM_STATE_FULLSCREEN", "+_NET_WM_STATE_FULLSCREEN"};
    }
    void fullScreenAndMaximiseLeaveTheSizeHeld()
    {
        QFETCH(QStringList, requests);
        XClientMessages wm;
        QVERIFY(wm.connected());
        Form1 form(Form1::Options {false});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.frameGeometry().size(), Form1::outerSize());
        const auto window = form.winId();
        for (const QString& request : requests) {
            wm.changeState(window, request.startsWith('+'), request.mid(1));
            // The window manager answers requests in order: once it has set
            // this mark, it has dealt with the one before.
            wm.changeState(window, true, "_NET_WM_STATE_ABOVE");
            QTRY_VERIFY(wm.states(window).contains("_NET_WM_STATE_ABOVE"));
            wm.changeState(window, false, "_NET_WM_STATE_ABOVE");
            QTRY_VERIFY(!wm.states(window).contains("_NET_WM_STATE_ABOVE"));
        }
        const QRect screen = form.screen()->availableGeometry();
        auto settled = [&] {
            const QStringList states = wm.states(window);
            return form.windowState() == Qt::WindowNoState
                && !states.contains("_NET_WM_STATE_FULLSCREEN")
                && !states.contains("_NET_WM_STATE_MAXIMIZED_VERT")
                && form.windowHandle()->frameMargins().top() > 0
                && form.frameGeometry().size() == Form1::outerSize()
                && screen.contains(form.frameGeometry().topLeft() + QPoint(1, 1));
        };
        auto describe = [&] {
            QString text;
            QDebug(&text) << form.windowState() << wm.states(window) << form.frameGeometry()
                          << form.windowHandle()->frameMargins();
            return text;
        };
        QTRY_VERIFY2(settled(), qPrintable(describe()));
        // And it stays so once the window manager's last word has come.
        QTest::qWait(300);
        QVERIFY2(settled(), qPrintable(describe()));
    }
};

QTEST_MAIN(TestForm1Framed)
#include "test_form1_framed.moc"
