// The window under a real window manager, which puts a frame around it: the
// outer size, frame included, is what stays at 12300 x 10000 twips.
#include "Form1.h"
#include "XClientMessages.h"

#include "sample-sites/SampleSites.h"
#include "support/Loopback.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

#ifdef KESTRUNE_SANITIZE
// Chromium's own leaks are no business of the sanitizers (see test_form1).
constexpr bool WithWebEngine = false;
#else
constexpr bool WithWebEngine = true;
#endif

namespace {

// The frame as the window manager has it now. A widget keeps its own copy of
// the frame's size, taken when it last moved, which misses a frame put back
// after the move; the native window asks again.
QRect outer(const QWidget& window)
{
    return window.windowHandle()->frameGeometry();
}

void pointAt(const std::string& base)
{
    for (const auto& [name, value] : samples::environment(base))
        qputenv(name.c_str(), QByteArray::fromStdString(value));
}

// Answers each message box the way a user does, with a click on its button.
class MessageAnswerer : public QObject {
public:
    MessageAnswerer()
    {
        connect(&poll_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            // Half by the OK button, half by the box's own close button.
            if (++answered % 2 || !closer)
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            else
                closer->closeRequest(box->winId());
        });
        poll_.start(10);
    }
    int answered = 0;
    XClientMessages* closer = nullptr;

private:
    QTimer poll_;
};

// Keeps both cores busy while it lives, as other programs on the desktop do.
class CpuLoad {
public:
    explicit CpuLoad(int threads)
    {
        for (int i = 0; i < threads; ++i)
            busy_.emplace_back([this] {
                unsigned long spin = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    ++spin;
            });
    }
    ~CpuLoad()
    {
        stop_ = true;
        for (auto& thread : busy_)
            thread.join();
    }

private:
    std::atomic_bool stop_ {false};
    std::vector<std::thread> busy_;
};

} // namespace

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
        QTRY_VERIFY(outer(form).size() != form.size());
        QTRY_COMPARE(outer(form).size(), Form1::outerSize());
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
        QCOMPARE(outer(form).size(), Form1::outerSize());
        // The window manager is told the size is fixed, so no border can be dragged.
        QCOMPARE(form.minimumSize(), form.maximumSize());

        form.showMinimized();
        QTRY_VERIFY(form.isMinimized());
        form.showNormal();
        QTRY_VERIFY(!form.isMinimized());
        QTRY_COMPARE(outer(form).size(), Form1::outerSize());
    }

    // The close button of a window manager, pressed while a lookup waits on a
    // site that never answers, after a session of lookups of every kind and
    // their message boxes, with the machine busy: the window closes each time.
    void closeRequestDuringAHangingLookupAfterALongSession()
    {
        XClientMessages wm;
        QVERIFY(wm.connected());
        loopback::Server sites(samples::answer);
        loopback::Server silent([](const loopback::Request&) {
            loopback::Response response;
            response.silent = true;
            return response;
        });
        // A session: every kind of lookup, some ending in a message box.
        const QList<std::pair<int, QString>> session = {{0, "F2LSAMPLE001"}, {0, "F2LSAMPLE0012"},
            {3, "89860012345678901234"}, {0, "351111111111111"}, {3, "89860000000000000000"},
            {0, "352222222222222"}, {0, "356666666666666"}, {3, "89869999999999999999"},
            {0, "F2LSAMPLE002"}, {0, ""}, {3, " 8986001234567890123 "}, {0, "353333333333333"}};
        MessageAnswerer answerer;
        answerer.closer = &wm;
        CpuLoad load(2);
        for (int round = 0; round < 6; ++round) {
            pointAt(sites.base());
            // The first round with the web engine, which joins the window
            // after its first paint; the window is known by the id it showed
            // with, as a program that drives it from outside knows it.
            Form1 form(Form1::Options {round == 0 && WithWebEngine});
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            const WId shownAs = form.winId();
            for (const auto& [button, input] : session) {
                QLineEdit* box = button == 0 ? form.T(0) : form.T1(0);
                box->setFocus();
                box->clear();
                QTest::keyClicks(box, input);
                QTest::mouseClick(form.Cmd(button), Qt::LeftButton);
                QTRY_VERIFY(form.En());
            }
            // Nothing modal is left over from the session's message boxes:
            // Qt drops a close request to a window that a modal box blocks.
            QVERIFY(!QGuiApplication::modalWindow());
            qputenv("KESTRUNE_WARRANTY_URL", QByteArray::fromStdString(silent.base()));
            form.T(0)->clear();
            QTest::keyClicks(form.T(0), "F2LSAMPLE001");
            QTest::mouseClick(form.Cmd(0), Qt::LeftButton);
            QTRY_VERIFY(!silent.received().empty());
            silent.clearReceived();
            QTest::mouseClick(form.Cmd(4), Qt::LeftButton);
            wm.closeRequest(shownAs);
            QTRY_VERIFY2_WITH_TIMEOUT(!form.isVisible(),
                qPrintable(QStringLiteral("round %1: the window stayed").arg(round)), 3000);
        }
        QVERIFY(answerer.answered > 0);
        pointAt(sites.base());
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
        QTRY_COMPARE(outer(form).size(), Form1::outerSize());
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
                && outer(form).size() == Form1::outerSize()
                && screen.contains(outer(form).topLeft() + QPoint(1, 1));
        };
        auto describe = [&] {
            QString text;
            QDebug(&text) << form.windowState() << wm.states(window) << outer(form)
                          << form.windowHandle()->frameMargins();
            return text;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(settled(), qPrintable(describe()), 10000);
        // And it stays so once the window manager's last word has come.
        QTest::qWait(300);
        QVERIFY2(settled(), qPrintable(describe()));
    }
};

QTEST_MAIN(TestForm1Framed)
#include "test_form1_framed.moc"
