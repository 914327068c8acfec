// The history against real stores: SQLite files, or (run beside the
// throwaway cluster) a PostgreSQL server. The same tests run for both.
#include "TestStores.h"
#include "history/Schema.h"
#include "history/Where.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "lookup/record/Fields.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <atomic>
#include <thread>

using history::Filter;
using history::Location;
using history::Order;
using history::Store;
using lookup::Kind;
using lookup::Record;
using lookup::T;
using lookup::T1;

namespace {

const QDateTime Monday(QDate(2026, 11, 2), QTime(9, 0), Qt::UTC);

Record answered(const QString& input, const QString& warranty, int minutes = 0)
{
    Record record;
    record.input = input;
    record.kind = lookup::KindOf(input);
    record.lookedUp = true;
    record.when = Monday.addSecs(60 * minutes);
    record.program = QStringLiteral("kestrune-cli");
    record.host = QStringLiteral("desk-1");
    if (record.kind == Kind::Iccid) {
        record.boxes = {{T1(1), QStringLiteral("中国移动GSM")}, {T1(4), warranty}};
    } else {
        record.boxes = {{T(1), QStringLiteral("未换机，可查询FT和ICCID信息")},
            {T(3), QStringLiteral("已激活")}, {T(5), warranty}};
    }
    return record;
}

Record withMessage(const QString& input, const QString& message, int minutes)
{
    Record record = answered(input, {}, minutes);
    record.boxes.clear();
    record.messages << message;
    return record;
}

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

bool keep(Store& store, Record record)
{
    if (store.add(record))
        return true;
    qWarning("%s", qPrintable(store.error()));
    return false;
}

// What a count or a deletion gave; -1 when it failed.
qint64 value(const std::optional<qint64>& answer)
{
    return answer.value_or(-1);
}

Filter matching(const QString& text)
{
    Filter filter;
    filter.text = text;
    return filter;
}

Filter between(const QDateTime& since, const QDateTime& until)
{
    Filter filter;
    filter.since = since;
    filter.until = until;
    return filter;
}

Filter ofKind(Filter filter, Kind kind)
{
    filter.kind = kind;
    return filter;
}

QStringList inputsOf(const std::vector<history::Kept>& kept)
{
    QStringList inputs;
    for (const auto& one : kept)
        inputs << one.record.input;
    return inputs;
}

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT

    TestStores stores_;

    std::unique_ptr<Store> freshStore()
    {
        QString why;
        const Location location = stores_.fresh(&why);
        if (!why.isEmpty())
            qFatal("no fresh store: %s", qPrintable(why));
        auto store = history::Open(location, &why);
        if (!store)
            qFatal("cannot open %s: %s", qPrintable(location.name), qPrintable(why));
        return store;
    }

    // A statement on the store's own database, past the store (a later
    // version's meta table, another program's lock).
    static bool execOn(const Location& location, const QString& sql)
    {
        bool done = false;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(
                location.engine == Location::Engine::Sqlite ? QStringLiteral("QSQLITE")
                                                            : QStringLiteral("QPSQL"),
                QStringLiteral("past"));
            if (location.engine == Location::Engine::Sqlite)
                other.setDatabaseName(location.name);
            else
                other.setConnectOptions(location.name);
            QSqlQuery query(other);
            done = other.open() && query.exec(sql);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("past"));
        return done;
    }

private slots:
    void initTestCase() { qInfo("engine: %s", stores_.postgresql() ? "PostgreSQL" : "SQLite"); }

    // What a record says comes back as it was, and each search finds what it
    // should, in order and page by page.
    void keepsAndFinds()
    {
        auto store = freshStore();
        // Texts a hostile site could send, stored and found as text.
        const QString hostile = QStringLiteral("'); DROP TABLE kestrune_records; -- 100%_\"x\"");
        QVERIFY(keep(*store, answered("F2LSAMPLE001", "有效", 0)));
        Record second = answered("351111111111111", hostile, 1);
        second.messages << QStringLiteral("您的机器已经被换机");
        second.opened << QStringLiteral("http://127.0.0.1:1/maker/huanji.html");
        second.extras << QStringLiteral("IMEI 校验位应为 8，请核对");
        QVERIFY(store->add(second));
        Record sim = answered("89860012345678901234", "广东广州(020)", 2);
        sim.program = QStringLiteral("kestrune");
        QVERIFY(store->add(sim));
        Record refused = withMessage("F2LSAMPLE04", lookup::WrongLengthMessage, 3);
        refused.kind = Kind::Invalid;
        refused.lookedUp = false;
        QVERIFY(store->add(refused));

        const auto last = store->last(QStringLiteral("351111111111111"), false);
        QVERIFY2(last && *last, qPrintable(store->error()));
        const Record& back = **last;
        QCOMPARE(back.text(T(5)), hostile);
        QCOMPARE(back.text(T(3)), QStringLiteral("已激活"));
        QVERIFY(!back.written(T(2)));
        QCOMPARE(back.messages, second.messages);
        QCOMPARE(back.opened, second.opened);
        QCOMPARE(back.extras, second.extras);
        QCOMPARE(back.when, Monday.addSecs(60));
        QCOMPARE(back.host, QStringLiteral("desk-1"));
        QCOMPARE(back.outcome(), Record::Outcome::Answered);
        QCOMPARE((*store->last(QStringLiteral("F2LSAMPLE04"), false))->outcome(),
            Record::Outcome::Refused);
        QVERIFY(!*store->last(QStringLiteral("F2LSAMPLE04"), true));
        QVERIFY(!*store->last(QStringLiteral("F2LSAMPLE00"), false));

        struct Search {
            Filter filter;
            QStringList found; // newest first
        };
        const std::vector<Search> searches {
            {Filter(), {"F2LSAMPLE04", "89860012345678901234", "351111111111111", "F2LSAMPLE001"}},
            // Any field's text, a message, a page, the identifier, in any case.
            {matching(QStringLiteral("广东广州")), {"89860012345678901234"}},
            {matching(QStringLiteral("已激活")), {"351111111111111", "F2LSAMPLE001"}},
            {matching(QStringLiteral("被换机")), {"351111111111111"}},
            {matching(QStringLiteral("maker/huanji")), {"351111111111111"}},
            {matching(QStringLiteral("f2lsample0")), {"F2LSAMPLE04", "F2LSAMPLE001"}},
            {matching(QStringLiteral("有效")), {"F2LSAMPLE001"}},
            // Wildcards and quotes are the text's own.
            {matching(QStringLiteral("%_")), {"351111111111111"}},
            {matching(QStringLiteral("0%_\"x")), {"351111111111111"}},
            {matching(QStringLiteral("_")), {"351111111111111"}},
            {matching(QStringLiteral("DROP TABLE")), {"351111111111111"}},
            {matching(QStringLiteral("9%")), {}},
            // Since is inclusive, until exclusive.
            {between(Monday.addSecs(60), Monday.addSecs(180)),
                {"89860012345678901234", "351111111111111"}},
            {ofKind(Filter(), Kind::Serial), {"F2LSAMPLE001"}},
            {ofKind(matching(QStringLiteral("SAMPLE")), Kind::Invalid), {"F2LSAMPLE04"}},
        };
        for (const Search& search : searches) {
            const auto found = store->find(search.filter, {}, 0, 100);
            QVERIFY2(found, qPrintable(store->error()));
            QCOMPARE(inputsOf(*found), search.found);
            QCOMPARE(value(store->count(search.filter)), qint64(search.found.size()));
        }

        // Page by page, in each order.
        const auto page = store->find({}, {}, 1, 2);
        QCOMPARE(inputsOf(*page), QStringList({"89860012345678901234", "351111111111111"}));
        QCOMPARE(inputsOf(*store->find({}, {Order::Column::Input, false}, 0, 2)),
            QStringList({"351111111111111", "89860012345678901234"}));
        QCOMPARE(inputsOf(*store->find({}, {Order::Column::Program, true}, 0, 1)),
            QStringList({"F2LSAMPLE04"}));
        QCOMPARE(inputsOf(*store->find({}, {Order::Column::When, false}, 3, 10)),
            QStringList({"F2LSAMPLE04"}));
        QVERIFY(store->find({}, {}, 4, 10)->empty());
        const auto answeredSince = store->answeredSince(Monday.addSecs(60));
        QCOMPARE(answeredSince->size(), size_t(2));

        // Nothing of the hostile text ran: every record is still there.
        QCOMPARE(value(store->count({})), qint64(4));
    }

    // `changed` names the fields that differ from the identifier's previous
    // answered record; a failed lookup neither gets a list nor becomes the
    // record the next one is compared with.
    void changedSinceLastAnswer_data()
    {
        QTest::addColumn<QStringList>("warranties"); // "!" for a lookup no site answered
        QTest::addColumn<QStringList>("changedOfLast");
        QTest::newRow("first") << QStringList {"有效"} << QStringList {};
        QTest::newRow("the same") << QStringList {"有效", "有效"} << QStringList {};
        QTest::newRow("warranty ended")
            << QStringList {"有效", "已过期"} << QStringList {"warranty"};
        QTest::newRow("past a failed lookup")
            << QStringList {"有效", "!", "已过期"} << QStringList {"warranty"};
        QTest::newRow("a failed lookup") << QStringList {"有效", "!"} << QStringList {};
        QTest::newRow("back again")
            << QStringList {"有效", "已过期", "有效"} << QStringList {"warranty"};
        QTest::newRow("a field gone") << QStringList {"有效", "-"} << QStringList {"warranty"};
    }

    void changedSinceLastAnswer()
    {
        QFETCH(QStringList, warranties);
        QFETCH(QStringList, changedOfLast);
        auto store = freshStore();
        // Another identifier's answer in between is no earlier record of ours.
        QVERIFY(keep(*store, answered("F2LSAMPLE009", "无", 0)));
        Record record;
        for (int i = 0; i < warranties.size(); ++i) {
            const QString& warranty = warranties[i];
            record = warranty == QLatin1String("!")
                ? withMessage("F2LSAMPLE001", lookup::DeviceNoAnswerMessage, i + 1)
                : answered("F2LSAMPLE001", warranty, i + 1);
            if (warranty == QLatin1String("-"))
                record.boxes.pop_back();
            QVERIFY2(store->add(record), qPrintable(store->error()));
        }
        QCOMPARE(record.changed, changedOfLast);
        QCOMPARE((*store->last(QStringLiteral("F2LSAMPLE001"), false))->changed, changedOfLast);
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("boxes");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("answered") << QString() << true << "answered";
        QTest::newRow("replaced, with its message") << "您的机器已经被换机" << true << "answered";
        QTest::newRow("device site: invalid") << lookup::InvalidNumberMessage << false << "invalid";
        QTest::newRow("ICCID site: invalid") << lookup::SimInvalidMessage << false << "invalid";
        QTest::newRow("device: no answer") << lookup::DeviceNoAnswerMessage << false << "no_answer";
        QTest::newRow("ICCID: no answer") << lookup::SimNoAnswerMessage << false << "no_answer";
        QTest::newRow("nothing written") << QString() << false << "no_answer";
    }

    void outcomes()
    {
        QFETCH(QString, message);
        QFETCH(bool, boxes);
        QFETCH(QString, outcome);
        Record record = answered("F2LSAMPLE001", "有效");
        if (!boxes)
            record.boxes.clear();
        if (!message.isEmpty())
            record.messages << message;
        QCOMPARE(lookup::OutcomeName(record.outcome()), outcome);
        auto store = freshStore();
        QVERIFY(store->add(record));
        QCOMPARE(store->answeredSince(Monday)->size(), size_t(outcome == "answered"));
    }

    void forgets()
    {
        auto store = freshStore();
        for (int i = 0; i < 3; ++i)
            QVERIFY(keep(*store, answered("F2LSAMPLE001", "有效", i)));
        for (int i = 0; i < 4; ++i)
            QVERIFY(keep(*store, answered("F2LSAMPLE002", "有效", 10 * i)));
        QCOMPARE(value(store->forget(QStringLiteral("F2LSAMPLE001"))), qint64(3));
        QCOMPARE(value(store->forget(QStringLiteral("F2LSAMPLE001"))), qint64(0));
        QCOMPARE(value(store->forgetBefore(Monday.addSecs(60 * 20))), qint64(2));
        QCOMPARE(
            inputsOf(*store->find({}, {}, 0, 10)), QStringList({"F2LSAMPLE002", "F2LSAMPLE002"}));
        // What went is gone from the search too.
        QCOMPARE(value(store->count(matching(QStringLiteral("F2LSAMPLE001")))), qint64(0));
        QCOMPARE(value(store->count(matching(QStringLiteral("F2LSAMPLE002")))), qint64(2));
    }

    // A database that a later version wrote is refused, and left exactly as
    // it was.
    void refusesNewerVersion()
    {
        QString why;
        const Location location = stores_.fresh(&why);
        QVERIFY(history::Open(location, &why));
        // The database's owner, no superuser, could make the trigram index.
        if (stores_.postgresql())
            QVERIFY(execOn(location, QStringLiteral("SELECT 'kestrune_records_body'::regclass")));
        QVERIFY(execOn(location,
            QStringLiteral("UPDATE kestrune_meta SET value = '%1' WHERE key = 'version'")
                .arg(history::SchemaVersion + 1)));
        const QByteArray before = hashOf(location.name);
        why.clear();
        QVERIFY(!history::Open(location, &why));
        QVERIFY2(why.contains(QLatin1String("newer version")), qPrintable(why));
        QVERIFY2(
            why.contains(location.engine == Location::Engine::Sqlite ? location.name
                                                                     : QStringLiteral("dbname=")),
            qPrintable(why));
        QCOMPARE(hashOf(location.name), before);
        QVERIFY(execOn(location,
            QStringLiteral("UPDATE kestrune_meta SET value = '%1' WHERE key = 'version'")
                .arg(history::SchemaVersion)));
        QVERIFY2(history::Open(location, &why), qPrintable(why));
    }

    // Several programs writing at once: each record kept, none twice.
    void severalWritersAtOnce()
    {
        QString why;
        const Location location = stores_.fresh(&why);
        constexpr int Writers = 4;
        constexpr int Each = 40;
        std::atomic<int> failures = 0;
        std::vector<std::thread> writers;
        for (int w = 0; w < Writers; ++w)
            writers.emplace_back([&, w] {
                QString failed;
                auto store = history::Open(location, &failed);
                if (!store) {
                    ++failures;
                    qWarning("%s", qPrintable(failed));
                    return;
                }
                for (int i = 0; i < Each; ++i) {
                    Record record = answered(
                        QStringLiteral("F2LSAMPLE%1").arg(i % 7, 3, 10, QLatin1Char('0')),
                        QString::number(w), i);
                    if (!store->add(record)) {
                        ++failures;
                        qWarning("%s", qPrintable(store->error()));
                    }
                }
            });
        for (auto& writer : writers)
            writer.join();
        QCOMPARE(failures.load(), 0);
        auto store = history::Open(location, &why);
        QCOMPARE(value(store->count({})), qint64(Writers * Each));
    }

    // Where the history is: the environment first, then the settings file,
    // then the data folder; never a password from the settings file.
    void configuredLocation_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("settings"); // the [history] group's lines
        QTest::addColumn<QString>("found"); // "off", "file:PATH", "pg:CONNECTION"
        QTest::addColumn<int>("warnings");
        QTest::newRow("nothing set") << QStringList() << QString() << "file:DATA" << 0;
        QTest::newRow("turned off") << QStringList() << "keep=false"
                                    << "off" << 0;
        QTest::newRow("off for one run")
            << QStringList {"KESTRUNE_HISTORY=off"} << "postgresql=\"service=shop\""
            << "off" << 0;
        QTest::newRow("on for one run") << QStringList {"KESTRUNE_HISTORY=on"} << "keep=false"
                                        << "file:DATA" << 0;
        QTest::newRow("neither on nor off")
            << QStringList {"KESTRUNE_HISTORY=maybe"} << QString() << "file:DATA" << 1;
        QTest::newRow("a shop's server")
            << QStringList() << "postgresql=\"host=db port=5432 dbname=k\""
            << "pg:host=db port=5432 dbname=k" << 0;
        QTest::newRow("a password in the settings")
            << QStringList() << "postgresql=\"host=db password=secret\"\nfile=/tmp/h.sqlite"
            << "file:/tmp/h.sqlite" << 1;
        QTest::newRow("a password from the environment")
            << QStringList {"KESTRUNE_HISTORY_POSTGRESQL=host=db password=x"} << QString()
            << "pg:host=db password=x" << 0;
        QTest::newRow("the environment's file first")
            << QStringList {"KESTRUNE_HISTORY_FILE=/tmp/e.sqlite"} << "file=/tmp/s.sqlite"
            << "file:/tmp/e.sqlite" << 0;
    }

    void configuredLocation()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, settings);
        QFETCH(QString, found);
        QFETCH(int, warnings);
        for (const char* name :
            {"KESTRUNE_HISTORY", "KESTRUNE_HISTORY_FILE", "KESTRUNE_HISTORY_POSTGRESQL"})
            qunsetenv(name);
        // The user's data folder, as each platform names it.
        qputenv("XDG_DATA_HOME", QFile::encodeName(stores_.folder()));
        qputenv("LOCALAPPDATA", QFile::encodeName(stores_.folder()));
        for (const QString& setting : environment)
            qputenv(qPrintable(setting.section('=', 0, 0)), setting.section('=', 1).toUtf8());
        const QString file = stores_.folder() + QStringLiteral("/kestrune.conf");
        QFile conf(file);
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write(("[history]\n" + settings + "\n").toUtf8());
        conf.close();
        lookup::Sites::useSettingsFile(file);
        QStringList said;
        const auto location = history::ConfiguredLocation(&said);
        for (const QString& setting : environment)
            qunsetenv(qPrintable(setting.section('=', 0, 0)));
        QString where = QStringLiteral("off");
        if (location)
            where = (location->engine == Location::Engine::Sqlite ? QStringLiteral("file:")
                                                                  : QStringLiteral("pg:"))
                + location->name;
        QCOMPARE(where,
            QString(found).replace(QLatin1String("DATA"),
                stores_.folder() + QStringLiteral("/kestrune/history.sqlite")));
        QCOMPARE(said.size(), warnings);
    }

    // SQLite alone: what a file is, and what is done to one.
    void sqliteFiles()
    {
        if (stores_.postgresql())
            QSKIP("SQLite files only");
        const QString folder = stores_.folder() + QStringLiteral("/data/kestrune");
        const Location location {
            Location::Engine::Sqlite, folder + QStringLiteral("/history.sqlite")};
        QString why;
        QVERIFY2(history::Open(location, &why), qPrintable(why));
#ifndef Q_OS_WIN
        // Owner, group and others (not the "user" bits, which repeat one of them).
        QCOMPARE(int(QFileInfo(folder).permissions() & 0x7077), 0x7000);
        QCOMPARE(int(QFileInfo(location.name).permissions() & 0x7077), 0x6000);
#endif
        {
            QSqlDatabase look
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("look"));
            look.setDatabaseName(location.name);
            QVERIFY(look.open());
            QSqlQuery mode(QStringLiteral("PRAGMA journal_mode"), look);
            QVERIFY(mode.next());
            QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("look"));
    }

    void leavesWhatIsNoHistory_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said");
        QByteArray noise(64 * 1024, 0);
        quint32 seed = 20261208;
        for (char& byte : noise) {
            seed = seed * 1664525 + 1013904223;
            byte = char(seed >> 24);
        }
        QTest::newRow("random bytes") << noise << "no history database, or is damaged";
        QTest::newRow("another program's database")
            << QByteArray("CREATE TABLE notes (text TEXT)") << "another program's database";
        QTest::newRow("a damaged history") << QByteArray("damage") << "damaged";
    }

    void leavesWhatIsNoHistory()
    {
        if (stores_.postgresql())
            QSKIP("SQLite files only");
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        const QString path
            = stores_.folder() + QStringLiteral("/%1.sqlite").arg(QTest::currentDataTag());
        if (content.startsWith("CREATE")) {
            QVERIFY(execOn({Location::Engine::Sqlite, path}, QString::fromUtf8(content)));
        } else if (content == "damage") {
            // A history whose pages past the header are overwritten.
            QString why;
            auto store = history::Open({Location::Engine::Sqlite, path}, &why);
            QVERIFY(store);
            for (int i = 0; i < 200; ++i)
                QVERIFY(keep(*store, answered("F2LSAMPLE001", "有效", i)));
            store.reset();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(100);
            file.write(QByteArray(8192, '\xA5'));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const QByteArray before = hashOf(path);
        const qint64 size = QFileInfo(path).size();
        QString why;
        QVERIFY(!history::Open({Location::Engine::Sqlite, path}, &why));
        QVERIFY2(why.contains(path), qPrintable(why));
        QVERIFY2(why.contains(said), qPrintable(why));
        QCOMPARE(QFileInfo(path).size(), size);
        QCOMPARE(hashOf(path), before);
    }

    // A file locked by another program beyond the busy time-out: the write
    // fails and says why; the store works again once the lock is gone.
    void lockedBeyondTheTimeOut()
    {
        if (stores_.postgresql())
            QSKIP("SQLite files only");
        QString why;
        Location location = stores_.fresh(&why);
        location.busyTimeoutMs = 50;
        auto store = history::Open(location, &why);
        QVERIFY(store);
        {
            QSqlDatabase other
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            other.setDatabaseName(location.name);
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            Record record = answered("F2LSAMPLE001", "有效");
            QVERIFY(!store->add(record));
            QVERIFY2(store->error().contains(QLatin1String("locked")), qPrintable(store->error()));
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        Record record = answered("F2LSAMPLE001", "有效");
        QVERIFY2(store->add(record), qPrintable(store->error()));
        QCOMPARE(value(store->count({})), qint64(1));
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_history_store.moc"
