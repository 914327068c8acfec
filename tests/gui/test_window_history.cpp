// The window's history under a real X server, against real SQLite files: the
// line that says when an identifier was looked up before, the history window,
// and a history that cannot be written.
#include "Fonts.h"
#include "Form1.h"
#include "history/HistoryLine.h"
#include "history/HistoryModel.h"
#include "history/HistoryWindow.h"
#include "history/Store.h"
#include "lookup/record/Fields.h"
#include "sample-sites/SampleSites.h"
#include "support/Loopback.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

void pointAt(const loopback::Server& server)
{
    for (const auto& [name, value] : samples::environment(server.base()))
        qputenv(name.c_str(), QByteArray::fromStdString(value));
}

void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, text);
}

HistoryLine* historyLine(Form1& form)
{
    return form.findChild<HistoryLine*>(QStringLiteral("historyLine"));
}

HistoryWindow* historyWindow(Form1& form)
{
    return form.findChild<HistoryWindow*>(QStringLiteral("HistoryWindow"));
}

std::unique_ptr<history::Store> openStore(const QString& file)
{
    QString why;
    auto store = history::Open({history::Location::Engine::Sqlite, file}, &why);
    if (!store)
        qWarning("%s", qPrintable(why));
    return store;
}

// An answered ICCID record, `minutes` after a fixed moment.
lookup::Record iccidRecord(const QString& input, const QString& carrier, int minutes)
{
    lookup::Record record;
    record.input = input;
    record.kind = lookup::Kind::Iccid;
    record.lookedUp = true;
    record.boxes = {{lookup::T1(1), carrier}, {lookup::T1(3), QStringLiteral("2015年")}};
    record.when = QDateTime(QDate(2026, 11, 2), QTime(8, 0), Qt::UTC).addSecs(minutes * 60);
    record.program = QStringLiteral("kestrune-cli");
    record.host = QStringLiteral("desk2");
    return record;
}

// Lines of a CSV file without its byte-order mark.
QStringList csvLines(const QByteArray& csv)
{
    QByteArray body = csv;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    return QString::fromUtf8(body).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

class TestWindowHistory : public QObject {
    Q_OBJECT

    std::unique_ptr<loopback::Server> sites_;
    std::atomic_bool otherCarrier_ = false; // the ICCID site's answer as it is later
    QTemporaryDir scratch_;
    QString file_;
    QStringList messages_; // what message boxes said: each is answered at once
    QTimer answering_;
    int files_ = 0;

    // Each test its own history file, so that none depends on another's records.
    void freshHistory()
    {
        file_ = scratch_.filePath(QStringLiteral("history-%1.sqlite").arg(++files_));
        qputenv("KESTRUNE_HISTORY_FILE", file_.toUtf8());
        qunsetenv("KESTRUNE_HISTORY");
    }

private slots:
    void initTestCase()
    {
        SubstituteWindowsFonts();
        sites_ = std::make_unique<loopback::Server>([this](const loopback::Request& request) {
            loopback::Response response = samples::answer(request);
            const std::string from = "中国移动 GSM";
            if (otherCarrier_)
                if (const auto at = response.body.find(from); at != std::string::npos)
                    response.body.replace(at, from.size(), "中国联通 GSM");
            return response;
        });
        pointAt(*sites_);
        connect(&answering_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages_ << box->text();
                box->accept();
            }
        });
        answering_.start(20);
    }

    void init()
    {
        messages_.clear();
        otherCarrier_ = false;
        freshHistory();
    }

    // Before any lookup, after the first, after one that changed a field; the
    // record kept holds what the window showed. A screen reader reads the
    // line by its name and description.
    void lineBeforeAndAfterLookups()
    {
        static QObjectList described;
        const auto handler = QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            if (event->type() == QAccessible::DescriptionChanged)
                described << event->object();
        });
        const auto restore = qScopeGuard([handler] { QAccessible::installUpdateHandler(handler); });

        Form1 form(Form1::Options {false});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        HistoryLine* line = historyLine(form);
        QVERIFY(line);
        QCOMPARE(line->focusPolicy(), Qt::NoFocus);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(line);
        QCOMPARE(reader->text(QAccessible::Name), QStringLiteral("查询历史"));

        const QString iccid = QStringLiteral("89860012345678901234");
        type(form.T1(0), iccid);
        QTRY_COMPARE(line->accessibleDescription(), QStringLiteral("此号码尚无查询记录"));
        QTest::mouseClick(form.Cmd(3), Qt::LeftButton);
        QTRY_VERIFY(form.En());
        QTRY_COMPARE(
            line->accessibleDescription(), QStringLiteral("首次查询此号码，已记入查询历史"));

        auto store = openStore(file_);
        QVERIFY(store);
        const auto first = store->last(iccid, false);
        QVERIFY(first && *first);
        const lookup::Record& kept = **first;
        QCOMPARE(kept.program, QStringLiteral("kestrune"));
        QCOMPARE(kept.host, QSysInfo::machineHostName());
        QCOMPARE(kept.kind, lookup::Kind::Iccid);
        QCOMPARE(kept.outcome(), lookup::Record::Outcome::Answered);
        for (int box = 1; box <= 4; ++box)
            QCOMPARE(kept.text(lookup::T1(box)), form.T1(box)->text());
        const QString firstWhen = kept.when.toLocalTime().toString("yyyy-MM-dd HH:mm");

        // The same answer again: nothing changed. Then the site says otherwise.
        QTest::mouseClick(form.Cmd(3), Qt::LeftButton);
        QTRY_VERIFY(form.En());
        QTRY_COMPARE(line->accessibleDescription(), "上次查询 " + firstWhen + "：无变化");
        otherCarrier_ = true;
        QTest::mouseClick(form.Cmd(3), Qt::LeftButton);
        QTRY_VERIFY(form.En());
        QTRY_VERIFY2(line->accessibleDescription().endsWith("：运营商 中国移动GSM→中国联通GSM"),
            qPrintable(line->accessibleDescription()));
        QCOMPARE(form.T1(1)->text(), QStringLiteral("中国联通GSM"));
        // On screen it is broken into lines that fit the corner it has.
        const QStringList shown = line->text().split('\n');
        QVERIFY2(shown.size() >= 2, qPrintable(line->text()));
        QCOMPARE(shown.join(QString()), line->accessibleDescription());
        for (const QString& part : shown)
            QVERIFY(line->fontMetrics().horizontalAdvance(part) <= line->contentsRect().width());
        QVERIFY(shown.size() * line->fontMetrics().lineSpacing() <= line->height());

        // Typed again later: the newest lookup and what changed at it.
        type(form.T1(0), QString());
        QTRY_COMPARE(line->accessibleDescription(), QString());
        type(form.T1(0), iccid);
        QTRY_VERIFY2(line->accessibleDescription().startsWith("上次查询 "),
            qPrintable(line->accessibleDescription()));
        QVERIFY(line->accessibleDescription().endsWith("：有结果，当时有变：运营商"));
        QCOMPARE(line->toolTip(), line->accessibleDescription());
        QVERIFY(described.contains(line) || !QAccessible::isActive());

        // A device input refused for its length is kept as refused.
        type(form.T(0), "F2LSAMPLE0");
        QTest::mouseClick(form.Cmd(0), Qt::LeftButton);
        QCOMPARE(messages_, QStringList {QStringLiteral("请输入正确的序列号或IMEI号码！")});
        QTRY_VERIFY(store->last("F2LSAMPLE0", false).value_or(std::nullopt));
        QCOMPARE(
            store->last("F2LSAMPLE0", false)->value().outcome(), lookup::Record::Outcome::Refused);
    }

    // Ctrl+H opens it with every record, newest first, a page at a time;
    // typing filters, a header sorts, Down goes into the table, the selected
    // record shows in full; export writes what the filter takes, copy the rows.
    void historyWindowFilterSortExportCopy()
    {
        {
            auto store = openStore(file_);
            QVERIFY(store);
            for (int i = 0; i < 230; ++i) {
                lookup::Record record = iccidRecord(
                    QStringLiteral("8986001234567890%1").arg(i, 4, 10, QLatin1Char('0')),
                    i % 2 ? QStringLiteral("中国移动GSM") : QStringLiteral("=HYPERLINK(\"x\")"), i);
                QVERIFY(store->add(record));
            }
        }
        Form1 form(Form1::Options {false});
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.T1(0), Qt::Key_H, Qt::ControlModifier);
        HistoryWindow* window = historyWindow(form);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->filterBox()->accessibleName(), QStringLiteral("筛选"));
        QCOMPARE(window->table()->accessibleName(), QStringLiteral("查询记录"));
        QCOMPARE(window->details()->accessibleName(), QStringLiteral("记录详情"));
        QTRY_COMPARE(QApplication::focusWidget(), window->filterBox());

        HistoryModel* model = window->model();
        QTRY_COMPARE(model->rowCount(), 100);
        QTRY_COMPARE(window->status()->text(), QStringLiteral("共 230 条记录"));
        QCOMPARE(model->index(0, HistoryModel::Input).data().toString(), "89860012345678900229");
        QCOMPARE(model->index(99, HistoryModel::Input).data().toString(), "89860012345678900130");
        window->table()->scrollToBottom();
        QTRY_COMPARE(model->rowCount(), 200);
        window->table()->scrollToBottom();
        QTRY_COMPARE(model->rowCount(), 230);
        QVERIFY(!model->canFetchMore({}));
        QCOMPARE(model->index(229, HistoryModel::Input).data().toString(), "89860012345678900000");

        // Any text in any field: the formula-like carrier is on even rows.
        QTest::keyClicks(window->filterBox(), "HYPERLINK");
        QTRY_COMPARE(window->status()->text(), QStringLiteral("共 115 条记录"));
        QTRY_COMPARE(model->rowCount(), 100);
        QTest::mouseClick(window->table()->horizontalHeader()->viewport(), Qt::LeftButton, {},
            QPoint(window->table()->horizontalHeader()->sectionViewportPosition(HistoryModel::Input)
                    + 5,
                5));
        QTRY_COMPARE(model->index(0, HistoryModel::Input).data().toString(),
            QStringLiteral("89860012345678900000"));
        QCOMPARE(model->index(1, HistoryModel::Input).data().toString(),
            QStringLiteral("89860012345678900002"));

        QTest::keyClick(window->filterBox(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), window->table());
        QTest::keyClick(window->table(), Qt::Key_Down);
        QVERIFY2(window->details()->toPlainText().startsWith("号码: 89860012345678900002\n"),
            qPrintable(window->details()->toPlainText()));
        QVERIFY(window->details()->toPlainText().contains("主机: desk2\n"));

        // Export through the button and its file dialog, read back.
        const QString exported = scratch_.filePath(QStringLiteral("exported.csv"));
        QSignalSpy done(window, &HistoryWindow::exported);
        QPushButton* exportButton = nullptr;
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text().startsWith(QStringLiteral("导出CSV")))
                exportButton = button;
        QVERIFY(exportButton);
        exportButton->click();
        QFileDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = window->findChild<QFileDialog*>()) && dialog->isVisible());
        dialog->selectFile(exported);
        static_cast<QDialog*>(dialog)->accept();
        QVERIFY(done.wait(10000));
        QCOMPARE(done.at(0).at(0).toLongLong(), 115);
        QFile csv(exported);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = csvLines(bytes);
        QCOMPARE(lines.size(), 1 + 115);
        QVERIFY(lines[0].startsWith(QStringLiteral("input,kind,")));
        QVERIFY2(lines[1].startsWith(QStringLiteral("89860012345678900000,iccid,")),
            qPrintable(lines[1]));
        QVERIFY2(
            lines[1].contains(QStringLiteral("\"'=HYPERLINK(\"\"x\"\")\"")), qPrintable(lines[1]));
        QVERIFY(lines.last().startsWith(QStringLiteral("89860012345678900228,")));

        // Copy: the rows selected, with the header, no byte-order mark.
        window->table()->setFocus();
        window->table()->selectRow(2);
        QTest::keyClick(window->table(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(window->table(), Qt::Key_C, Qt::ControlModifier);
        const QStringList copied = csvLines(QApplication::clipboard()->text().toUtf8());
        QCOMPARE(copied.size(), 3);
        QCOMPARE(copied[0], lines[0]);
        QCOMPARE(copied[1], lines[3]);
        QCOMPARE(copied[2], lines[4]);

        QTest::keyClick(window->table(), Qt::Key_Escape);
        QTRY_VERIFY(!historyWindow(form));
    }

    // The input box's context menu opens the window on that identifier.
    void contextMenuOpensTheBoxesHistory()
    {
        {
            auto store = openStore(file_);
            QVERIFY(store);
            for (int i = 0; i < 3; ++i) {
                lookup::Record record = iccidRecord(
                    "8986001234567890000" + QString::number(i), QStringLiteral("中国移动GSM"), i);
                QVERIFY(store->add(record));
            }
        }
        Form1 form(Form1::Options {false});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        type(form.T1(0), "89860012345678900001");
        QMenu* menu = nullptr;
        QContextMenuEvent event(
            QContextMenuEvent::Keyboard, QPoint(5, 5), form.T1(0)->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(form.T1(0), &event);
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        QAction* open = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("查询历史…"))
                open = action;
        QVERIFY(open);
        QVERIFY(menu->actions().size() > 3); // the box's own editing actions stay
        open->trigger();
        menu->close();
        HistoryWindow* window = historyWindow(form);
        QVERIFY(window);
        QCOMPARE(window->filterBox()->text(), QStringLiteral("89860012345678900001"));
        QTRY_COMPARE(window->model()->rowCount(), 1);
    }

    // The window and a kestrune-cli batch write one history file at once:
    // every record of both is kept, and the window never says it could not.
    void windowAndBatchWriteOneFile()
    {
        const QString list = scratch_.filePath(QStringLiteral("batch.txt"));
        QFile batch(list);
        QVERIFY(batch.open(QIODevice::WriteOnly));
        constexpr int Batched = 200;
        for (int i = 0; i < Batched; ++i)
            batch.write(
                QStringLiteral("8986001234567891%1\n").arg(i, 4, 10, QLatin1Char('0')).toUtf8());
        batch.close();
        QProcess cli;
        cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cli.start(QStringLiteral(KESTRUNE_CLI),
            {"--jobs", "4", "--quiet", "--format", "json", "--file", list});
        QVERIFY(cli.waitForStarted());

        Form1 form(Form1::Options {false});
        form.show();
        HistoryLine* line = historyLine(form);
        QSignalSpy said(line, &HistoryLine::said);
        constexpr int Windowed = 6;
        for (int i = 0; i < Windowed; ++i) {
            type(form.T1(0), QStringLiteral("8986001234567892%1").arg(i, 4, 10, QLatin1Char('0')));
            QTest::mouseClick(form.Cmd(3), Qt::LeftButton);
            QTRY_VERIFY(form.En());
            // The batch's writers take turns with the window's at the file's lock.
            QTRY_VERIFY_WITH_TIMEOUT(line->accessibleDescription().startsWith("首次查询"), 30000);
        }
        // It may have ended already, while the window's lookups ran the event loop.
        QVERIFY(cli.state() == QProcess::NotRunning || cli.waitForFinished(120000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
        for (const auto& arguments : said)
            QVERIFY2(!arguments.at(0).toString().startsWith("查询历史未能保存："),
                qPrintable(arguments.at(0).toString()));

        auto store = openStore(file_);
        QVERIFY(store);
        QCOMPARE(store->count({}), std::optional<qint64>(Batched + Windowed));
        history::Filter fromTheWindow;
        fromTheWindow.text = QStringLiteral("8986001234567892");
        const auto windowed = store->find(fromTheWindow, {}, 0, 100);
        QVERIFY(windowed);
        QCOMPARE(qsizetype(windowed->size()), Windowed);
        for (const history::Kept& kept : *windowed)
            QCOMPARE(kept.record.program, QStringLiteral("kestrune"));
    }

    // A history that cannot be written: lookups show their results as ever,
    // no message box, the line says so once. With history off nothing is
    // written and the window says it is off.
    void historyThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("off");
#ifndef Q_OS_WIN
        // Root writes into any folder whatever its mode; /proc takes no file
        // from anybody.
        QTest::newRow("read-only folder")
            << (geteuid() == 0 ? QStringLiteral("/proc") : QStringLiteral("read-only")) << false;
#endif
        QTest::newRow("a file where the folder should be") << QStringLiteral("file") << false;
        QTest::newRow("turned off") << QStringLiteral("off") << true;
    }
    void historyThatCannotBeWritten()
    {
        QFETCH(QString, folder);
        QFETCH(bool, off);
        QString path = folder;
        if (folder == "read-only" || folder == "file" || folder == "off") {
            path = scratch_.filePath(folder + QString::number(files_));
            if (folder == "file") {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
            } else {
                QVERIFY(QDir().mkpath(path));
                if (folder == "read-only")
                    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
            }
        }
        const QString file = path + QStringLiteral("/history.sqlite");
        qputenv("KESTRUNE_HISTORY_FILE", file.toUtf8());
        if (off)
            qputenv("KESTRUNE_HISTORY", "off");
        const auto restore = qScopeGuard([] { qunsetenv("KESTRUNE_HISTORY"); });

        Form1 form(Form1::Options {false});
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        HistoryLine* line = historyLine(form);
        QSignalSpy said(line, &HistoryLine::said);
        for (const QString& iccid :
            {QStringLiteral("89860012345678901234"), QStringLiteral("89860012345678904321")}) {
            type(form.T1(0), iccid);
            QTest::mouseClick(form.Cmd(3), Qt::LeftButton);
            QTRY_VERIFY(form.En());
            QCOMPARE(form.T1(1)->text(), QStringLiteral("中国移动GSM"));
            if (iccid.endsWith("1234") && !off)
                QTRY_VERIFY2(line->accessibleDescription().startsWith("查询历史未能保存："),
                    qPrintable(line->accessibleDescription()));
            type(form.T1(0), QString()); // the line empties, and has nothing more to say
            QTRY_COMPARE(line->accessibleDescription(), QString());
        }
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('|')));
        // Said once, though the second lookup could not be kept either.
        QTest::qWait(300);
        int notices = 0;
        for (const auto& arguments : said)
            notices += arguments.at(0).toString().startsWith("查询历史未能保存：");
        QCOMPARE(notices, off ? 0 : 1);
        QVERIFY(!QFile::exists(file));

        if (off) {
            QTest::keyClick(form.T1(0), Qt::Key_H, Qt::ControlModifier);
            HistoryWindow* window = historyWindow(form);
            QVERIFY(window);
            QTRY_COMPARE(window->status()->text(), QStringLiteral("查询历史已关闭"));
        }
    }
};

QTEST_MAIN(TestWindowHistory)
#include "test_window_history.moc"
