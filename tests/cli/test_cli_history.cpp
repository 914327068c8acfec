// kestrune-cli and the history, as its users meet it: the built program as a
// process of its own, against the sample sites on a loopback port, keeping
// its records in a real SQLite file (or, beside the throwaway cluster, in a
// real PostgreSQL database).
#include "history/TestStores.h"
#include "sample-sites/SampleSites.h"
#include "support/Loopback.h"

#include <QtTest>

#include <atomic>
#include <map>
#include <mutex>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

QList<QJsonObject> jsonLines(const QByteArray& out)
{
    QList<QJsonObject> lines;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty())
            lines << QJsonDocument::fromJson(line).object();
    return lines;
}

QStringList iccids(int count, int first = 0)
{
    QStringList list;
    for (int i = first; i < first + count; ++i)
        list << QStringLiteral("898600%1").arg(i, 14, 10, QLatin1Char('0'));
    return list;
}

// The ICCID a request of the ICCID site asks for.
QString iccidOf(const loopback::Request& request)
{
    const auto iccid = samples::formField(request.query, "ICCID");
    return iccid ? qs(*iccid) : QString();
}

} // namespace

class TestCliHistory : public QObject {
    Q_OBJECT

    TestStores stores_;
    // Serves the sample sites; `hold` may change an answer, or keep it back.
    std::function<std::optional<loopback::Response>(const loopback::Request&)> hold_;
    std::mutex mutex_;
    std::map<QString, int> answered_; // ICCID: answers sent
    loopback::Server sites_ {[this](const loopback::Request& request) {
        decltype(hold_) hold;
        {
            const std::lock_guard lock(mutex_);
            hold = hold_;
        }
        std::optional<loopback::Response> response;
        if (hold)
            response = hold(request);
        if (!response)
            response = samples::answer(request);
        if (!response->silent) {
            const std::lock_guard lock(mutex_);
            ++answered_[iccidOf(request)];
        }
        return *response;
    }};
    history::Location location_;

    void setHold(decltype(hold_) hold)
    {
        const std::lock_guard lock(mutex_);
        hold_ = std::move(hold);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : environment.keys())
            if (name.startsWith("KESTRUNE_"))
                environment.remove(name);
        environment.insert("XDG_CONFIG_HOME", stores_.folder() + "/no-config");
        environment.insert("APPDATA", stores_.folder() + "/no-config");
        for (const auto& [name, value] : samples::environment(sites_.base()))
            environment.insert(qs(name), qs(value));
        environment.insert(location_.engine == history::Location::Engine::Sqlite
                ? "KESTRUNE_HISTORY_FILE"
                : "KESTRUNE_HISTORY_POSTGRESQL",
            location_.name);
        return environment;
    }

    // fileSizeLimit: the most the program may write into any file, as on a
    // disk that is full (POSIX only).
    Run run(const QStringList& arguments, const QStringList& extra = {}, qint64 fileSizeLimit = 0)
    {
        QProcess process;
        QProcessEnvironment environment = this->environment();
        for (const QString& setting : extra)
            environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
        process.setProcessEnvironment(environment);
#ifndef _WIN32
        if (fileSizeLimit > 0)
            process.setChildProcessModifier([fileSizeLimit] {
                // A write past the limit then fails with EFBIG, as one on a
                // full disk fails, instead of ending the program.
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit {rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
#else
        Q_UNUSED(fileSizeLimit);
#endif
        process.start(KESTRUNE_CLI, arguments);
        process.closeWriteChannel();
        const bool finished = process.waitForFinished(120000);
        if (!finished) {
            process.kill();
            process.waitForFinished();
        }
        return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    QString writeFile(const QString& name, const QStringList& lines)
    {
        const QString path = stores_.folder() + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write((lines.join('\n') + '\n').toUtf8());
        return path;
    }

    int answers(const QString& iccid)
    {
        const std::lock_guard lock(mutex_);
        return answered_[iccid];
    }

private slots:
    void init()
    {
        QString why;
        location_ = stores_.fresh(&why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        setHold(nullptr);
        const std::lock_guard lock(mutex_);
        answered_.clear();
    }

    // Every lookup is kept; --resume prints the answered ones from the
    // history, marked, and asks only the rest; `changed` says what differs
    // from the last answer, in JSON and in CSV.
    void keepsResumesAndSaysWhatChanged()
    {
        const QString moved = "89860012345678901234";
        const QStringList first {moved, "F2LSAMPLE04", "89869999999999999999"};
        Run lookups = run(QStringList {"--format", "json"} + first);
        QVERIFY2(lookups.exitCode == 1, qPrintable(lookups.err)); // F2LSAMPLE04 has 11 characters
        QCOMPARE(jsonLines(lookups.out).size(), 3);

        // The site has learnt more of the card since: it answers as for
        // another card.
        setHold([&](const loopback::Request& request) -> std::optional<loopback::Response> {
            if (request.path != "/iccid/result.php" || iccidOf(request) != moved)
                return std::nullopt;
            loopback::Request other = request;
            other.query = "ICCID=89860012345678901299";
            return samples::answer(other);
        });
        const QStringList second {moved, "F2LSAMPLE04", "89860000000000000007"};
        Run resumed = run(QStringList {"--format", "json", "--resume"} + second);
        QVERIFY2(resumed.exitCode == 1, qPrintable(resumed.err));
        const QList<QJsonObject> lines = jsonLines(resumed.out);
        QCOMPARE(lines.size(), 3);
        // Answered a moment ago: from the history, not asked again.
        QCOMPARE(lines[0]["from_history"].toBool(), true);
        QCOMPARE(
            lines[0]["fields"].toObject()["region"].toString().left(4), QStringLiteral("广东广州"));
        QVERIFY(!lines[0]["when"].toString().isEmpty());
        QCOMPARE(answers(moved), 1);
        // No answer to resume: asked again.
        QCOMPARE(lines[1]["from_history"].toBool(), false);
        QCOMPARE(lines[2]["from_history"].toBool(), false);
        QCOMPARE(answers("89860000000000000007"), 1);

        // Asked again without --resume, the region has changed.
        Run again = run({"--format", "json", moved});
        const QJsonArray changed = jsonLines(again.out).value(0)["changed"].toArray();
        QVERIFY2(changed.size() > 0, again.out);
        // In CSV the keys, blank-separated, in the one before last column.
        setHold(nullptr);
        Run csv = run({"--format", "csv", moved});
        QVERIFY2(
            csv.out.endsWith(","
                + QVariant(changed.toVariantList()).toStringList().join(' ').toUtf8() + ",\r\n"),
            csv.out);
        QCOMPARE(answers(moved), 3);

        // An age that has passed takes nothing from the history.
        Run stale = run({"--format", "json", "--resume=0s", moved});
        QCOMPARE(jsonLines(stale.out).value(0)["from_history"].toBool(), false);
        QCOMPARE(answers(moved), 4);

        // --no-history keeps nothing; the history holds every other lookup.
        Run unkept = run({"--format", "json", "--no-history", "89860000000000000008"});
        QCOMPARE(unkept.exitCode, 0);
        Run listed = run({"history", "--format", "json"});
        QCOMPARE(listed.exitCode, 0);
        QCOMPARE(jsonLines(listed.out).size(), 3 + 2 + 2 + 1); // resumed ones are not kept again
        QVERIFY(!listed.out.contains("89860000000000000008"));
    }

    // Searching and forgetting through `kestrune-cli history`.
    void historyCommand()
    {
        QCOMPARE(run({"--format", "json", "89860012345678901234", "F2LSAMPLE002", "F2LSAMPLE04"})
                     .exitCode,
            1);
        struct Search {
            QStringList arguments;
            QStringList found;
        };
        const QList<Search> searches {
            {{"广东广州"}, {"89860012345678901234"}},
            {{"已过期"}, {"F2LSAMPLE002"}},
            {{"--kind", "invalid"}, {"F2LSAMPLE04"}},
            {{"sample", "--kind", "serial"}, {"F2LSAMPLE002"}},
            {{"--since", "2000-01-01", "--until", "2000-12-31"}, {}},
            {{"--since", QDate::currentDate().addDays(-1).toString(Qt::ISODate)},
                {"F2LSAMPLE04", "F2LSAMPLE002", "89860012345678901234"}},
        };
        for (const Search& search : searches) {
            Run found = run(QStringList {"history", "--format", "json"} + search.arguments);
            QCOMPARE(found.exitCode, 0);
            QStringList inputs;
            for (const QJsonObject& line : jsonLines(found.out))
                inputs << line["input"].toString();
            // Order by time: lookups of one batch may end in any order.
            if (search.found.size() > 1) {
                inputs.sort();
                QStringList expected = search.found;
                expected.sort();
                QCOMPARE(inputs, expected);
            } else {
                QCOMPARE(inputs, search.found);
            }
        }
        Run csv = run({"history", "--format", "csv", "F2LSAMPLE04"});
        QVERIFY(csv.out.startsWith("\xEF\xBB\xBFwhen,program,host,outcome,input,kind,"));
        QVERIFY(csv.out.contains(",kestrune-cli,"));
        QVERIFY(csv.out.contains(",refused,F2LSAMPLE04,invalid,"));

        QCOMPARE(run({"history", "--since", "yesterday"}).exitCode, 2);
        Run forgot = run({"history", "--forget", "F2LSAMPLE002"});
        QCOMPARE(forgot.exitCode, 0);
        QCOMPARE(forgot.out, QByteArray("1 records of F2LSAMPLE002 forgotten\n"));
        Run before = run(
            {"history", "--forget-before", QDate::currentDate().addDays(2).toString(Qt::ISODate)});
        QVERIFY(before.out.startsWith("2 records from before "));
        QVERIFY(run({"history", "--format", "json"}).out.isEmpty());
    }

#ifndef _WIN32
    // A batch killed outright, then run again with --resume: it asks only for
    // what it had not finished, and gets no answer twice.
    void killedBatchResumes()
    {
        const QStringList all = iccids(30, 1); // ...0000 the site calls invalid
        const QString file = writeFile("batch.txt", all);
        std::atomic<int> served = 0;
        // After ten answers the site goes quiet: the batch waits on it.
        setHold([&](const loopback::Request& request) -> std::optional<loopback::Response> {
            if (request.path == "/iccid/result.php" && ++served > 10) {
                loopback::Response never;
                never.silent = true;
                return never;
            }
            return std::nullopt;
        });
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(KESTRUNE_CLI, {"--jobs", "3", "--format", "json", "--file", file});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(served >= 13, 20000); // ten answered, three held
        // The answered ones are kept before they count as done.
        ::kill(pid_t(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished(10000));
        setHold(nullptr);

        Run resumed = run({"--jobs", "3", "--format", "json", "--resume", "--file", file});
        QVERIFY2(resumed.exitCode == 0, qPrintable(resumed.err));
        const QList<QJsonObject> lines = jsonLines(resumed.out);
        QCOMPARE(lines.size(), all.size());
        int fromHistory = 0;
        for (int i = 0; i < all.size(); ++i) {
            QCOMPARE(lines[i]["input"].toString(), all[i]);
            fromHistory += lines[i]["from_history"].toBool();
            // Nothing answered twice.
            QVERIFY2(answers(all[i]) == 1, qPrintable(all[i] + " " + resumed.out));
        }
        QCOMPARE(fromHistory, 10);
    }
#endif

    // A history that cannot be written: the lookups go on and are printed,
    // the records not kept are named, and the exit status says so; the file
    // that is no history is left as it is.
    void unwritableHistory_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder cannot be made") << "folder";
        QTest::newRow("file of random bytes") << "random";
    }

    void unwritableHistory()
    {
        if (stores_.postgresql())
            QSKIP("SQLite files");
        QFETCH(QString, kind);
        QByteArray noise;
        if (kind == "folder") {
            // A file where the folder should be: no one, root included, can
            // make a file under it.
            QFile blocker(stores_.folder() + "/blocker");
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            location_.name = blocker.fileName() + "/kestrune/history.sqlite";
        } else {
            for (int i = 0; i < 4096; ++i)
                noise += char((i * 7919 + 13) % 251);
            QFile file(location_.name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(noise);
        }
        const QStringList batch = iccids(3);
        Run result = run(QStringList {"--format", "json"} + batch);
        QCOMPARE(result.exitCode, 5);
        QCOMPARE(jsonLines(result.out).size(), 3);
        QVERIFY2(
            result.err.contains("3 lookups are not kept in the history"), qPrintable(result.err));
        for (const QString& iccid : batch)
            QVERIFY2(result.err.contains(iccid), qPrintable(result.err));
        QCOMPARE(result.err.count("cannot be written"), 1); // said once
        if (!noise.isEmpty()) {
            QVERIFY2(result.err.contains(location_.name), qPrintable(result.err));
            QFile file(location_.name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), noise);
        }
    }

#ifndef _WIN32
    // A full disk: the lookups go on and are printed, the records not kept
    // are named, and the history is left whole, as it was, for the next run.
    void fullDisk()
    {
        if (stores_.postgresql())
            QSKIP("SQLite files");
        QCOMPARE(run({"--format", "json", iccids(1, 1)[0]}).exitCode, 0);
        const QStringList batch = iccids(3, 10);
        // Room for the shared-memory index (32 KiB), none for a record's pages.
        Run full = run(QStringList {"--format", "json"} + batch, {}, 48 * 1024);
        QVERIFY2(full.exitCode == 5, qPrintable(full.err));
        QCOMPARE(jsonLines(full.out).size(), 3);
        QVERIFY2(full.err.contains("3 lookups are not kept in the history"), qPrintable(full.err));
        for (const QString& iccid : batch)
            QVERIFY2(full.err.contains(iccid), qPrintable(full.err));
        QCOMPARE(run({"--format", "json", iccids(1, 20)[0]}).exitCode, 0);
        Run kept = run({"history", "--format", "json"});
        QVERIFY2(kept.exitCode == 0, qPrintable(kept.err));
        QCOMPARE(jsonLines(kept.out).size(), 2);
    }
#endif

    // Two batches writing to one history at once: every record kept.
    void twoBatchesAtOnce()
    {
        QProcess one, two;
        for (QProcess* process : {&one, &two}) {
            process->setProcessEnvironment(environment());
            process->start(KESTRUNE_CLI,
                QStringList {"--jobs", "4", "--format", "json"}
                    + iccids(25, process == &one ? 0 : 100));
        }
        QVERIFY(one.waitForFinished(60000) && two.waitForFinished(60000));
        QCOMPARE(one.exitCode(), 0);
        QCOMPARE(two.exitCode(), 0);
        QCOMPARE(jsonLines(run({"history", "--format", "json", "8986"}).out).size(), 50);
    }

    // The PostgreSQL server stopped in the middle of a batch and started
    // again: the records that waited are written once it is back.
    void serverRestartedMidBatch()
    {
        if (!stores_.postgresql())
            QSKIP("PostgreSQL only");
        const QString script = QStringLiteral(KESTRUNE_POSTGRES_SCRIPT);
        const QString state = stores_.stateFile();
        std::atomic<int> served = 0;
        setHold([&](const loopback::Request& request) -> std::optional<loopback::Response> {
            if (request.path != "/iccid/result.php")
                return std::nullopt;
            const int number = ++served;
            if (number == 5)
                QProcess::execute("sh", {script, "pause", state});
            if (number == 12)
                QProcess::execute("sh", {script, "resume", state});
            return std::nullopt;
        });
        const QStringList batch = iccids(16);
        Run result = run(QStringList {"--jobs", "1", "--format", "json"} + batch);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(jsonLines(result.out).size(), 16);
        QVERIFY2(result.err.contains("cannot be written"), qPrintable(result.err));
        QVERIFY2(result.err.contains("written again"), qPrintable(result.err));
        QCOMPARE(jsonLines(run({"history", "--format", "json"}).out).size(), 16);
    }
};

QTEST_GUILESS_MAIN(TestCliHistory)
#include "test_cli_history.moc"
