// The history's store over an SQLite file of a million records, each figure
// beside SQLite's own for the same statement (the C API, prepared once):
//   record            keeping one lookup (with its `changed`), goal < 1 ms
//   last              an identifier's last record among 1 000 000, goal < 1 ms
//   search/common     a text in some 5% of records: the window's first 100
//                     and the count, goal < 300 ms
//   search/rare       a text in a handful of records, the same
//   first_page        the window's first 100 rows and the count, goal < 200 ms
//   sorted            its first 100 rows sorted by another column, the same
//   resume            kestrune-cli --resume over 100 000 lines, 99 000 of them
//                     answered: time until it asks its first site, goal < 1 s
// The file is made once (KESTRUNE_BENCH_RECORDS records, default 1 000 000,
// which takes a few minutes) and kept beside the program for later runs.
#include "history/Columns.h"
#include "history/Store.h"
#include "lookup/record/Fields.h"
#include "sample-sites/SampleSites.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>

extern char** environ;

namespace {

using history::Filter;
using lookup::Kind;
using lookup::Record;

const QStringList Models {"iPhone 6 Plus 64GB Space Gray", "iPhone 6s 小白 64GB",
    "iPhone 7 32GB Black", "iPhone 8 Plus 256GB Gold", "iPhone X 64GB Silver",
    "iPhone XR 128GB Red", "iPhone 11 64GB Purple", "iPhone 12 mini 128GB Blue",
    "iPhone 13 Pro 256GB Graphite", "iPhone SE 64GB White", "iPhone 5s 16GB Silver",
    "iPhone 14 128GB Midnight", "iPhone 6 16GB Gold", "iPhone 7 Plus 128GB Rose",
    "iPhone 8 64GB Space Gray", "iPhone XS Max 512GB Gold", "iPhone 11 Pro 64GB Green",
    "iPhone 12 256GB White", "iPhone 13 128GB Starlight", "iPhone 15 Pro 256GB Natural Titanium"};
const QStringList Regions {"广东广州(020)", "广东深圳(0755)", "北京(010)", "上海(021)", "重庆(023)",
    "四川成都(028)", "湖北武汉(027)", "浙江杭州(0571)", "江苏南京(025)", "福建厦门(0592)"};

qint64 recordCount()
{
    const QByteArray wanted = qgetenv("KESTRUNE_BENCH_RECORDS");
    return wanted.isEmpty() ? 1000000 : wanted.toLongLong();
}

QString identifier(std::mt19937& random, bool sim)
{
    if (sim)
        return QStringLiteral("898600%1")
            .arg(random() % 100000000000000ull, 14, 10, QLatin1Char('0'));
    static const char Letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ0123456789";
    QString serial;
    for (int i = 0; i < 12; ++i)
        serial += QLatin1Char(Letters[random() % 34]);
    return serial;
}

// A record as a lookup of that identifier leaves it, answers made up.
Record madeUp(std::mt19937& random, const QString& input, qint64 at)
{
    Record record;
    record.input = input;
    record.kind = lookup::KindOf(input);
    record.lookedUp = true;
    record.when = QDateTime::fromMSecsSinceEpoch(at, Qt::UTC);
    record.program = QStringLiteral("kestrune-cli");
    record.host = QStringLiteral("desk-%1").arg(random() % 8);
    if (record.kind == Kind::Iccid) {
        record.boxes = {{lookup::T1(1), QStringLiteral("中国移动GSM")},
            {lookup::T1(2),
                QStringLiteral("138%1XXXX").arg(random() % 10000, 4, 10, QLatin1Char('0'))},
            {lookup::T1(3), QStringLiteral("%1年").arg(2005 + random() % 18)},
            {lookup::T1(4), Regions[int(random() % Regions.size())]}};
    } else {
        record.boxes = {{lookup::T(1), QStringLiteral("未换机，可查询FT和ICCID信息")},
            {lookup::T(2), Models[int(random() % Models.size())]},
            {lookup::T(3), QStringLiteral("已激活")},
            {lookup::T(10), QStringLiteral("16.7.%1").arg(random() % 9)},
            {lookup::T(4),
                QStringLiteral("2026-0%1-1%2(北京时间)").arg(1 + random() % 9).arg(random() % 9)},
            {lookup::T(5), random() % 2 ? QStringLiteral("有效") : QStringLiteral("已过期")},
            {lookup::T(6), QStringLiteral("2 Feb 2027")},
            {lookup::T(7), QString::number(random() % 365)}};
    }
    record.extras << QStringLiteral("序列号 第5位“A”不是周代码");
    return record;
}

struct Sqlite {
    sqlite3* db = nullptr;
    explicit Sqlite(const QString& path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 5000);
    }
    ~Sqlite() { sqlite3_close_v2(db); }
    sqlite3_stmt* prepare(const char* sql) const
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
            != SQLITE_OK)
            qFatal("%s: %s", sql, sqlite3_errmsg(db));
        return statement;
    }
    void exec(const char* sql) const
    {
        char* error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            qFatal("%s: %s", sql, error);
    }
};

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

void insertRaw(sqlite3_stmt* insert, const Record& record)
{
    const history::Columns c = history::ToColumns(record);
    sqlite3_bind_int64(insert, 1, c.at);
    int i = 2;
    for (const QString* text : {&c.input, &c.kind, &c.outcome, &c.program, &c.host, &c.fields,
             &c.messages, &c.opened, &c.extras, &c.changed, &c.body})
        bindText(insert, i++, *text);
    sqlite3_step(insert);
    sqlite3_reset(insert);
}

const char* const InsertSql
    = "INSERT INTO kestrune_records (at, input, kind, outcome, program, host, "
      "fields, messages, opened, extras, changed, body) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id";

// Makes a history of `count` records (its tables by the store itself, its
// rows straight through SQLite, in one transaction) unless it is there.
QString historyFile(
    const QString& name, qint64 count, const std::function<Record(std::mt19937&, qint64)>& make)
{
    const QString path = QCoreApplication::applicationDirPath()
        + QStringLiteral("/%1-%2.sqlite").arg(name).arg(count);
    if (QFileInfo::exists(path))
        return path;
    const QString making = path + QStringLiteral(".making");
    QFile::remove(making);
    QString why;
    if (!history::Open({history::Location::Engine::Sqlite, making}, &why))
        qFatal("%s", qPrintable(why));
    {
        Sqlite sqlite(making);
        // Made once, in bulk: a large cache, no syncing.
        sqlite.exec("PRAGMA cache_size=-262144");
        sqlite.exec("PRAGMA synchronous=OFF");
        sqlite.exec("BEGIN");
        sqlite3_stmt* insert = sqlite.prepare(InsertSql);
        std::mt19937 random(20261208);
        for (qint64 i = 0; i < count; ++i)
            insertRaw(insert, make(random, i));
        sqlite3_finalize(insert);
        sqlite.exec("COMMIT");
        sqlite.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    QFile::rename(making, path);
    return path;
}

// A million lookups of 400 000 phones and cards over a year, newest last.
std::vector<QString> inputs;
QString millionFile()
{
    static const QString path = [] {
        std::mt19937 pool(7);
        for (int i = 0; i < 400000; ++i)
            inputs.push_back(identifier(pool, i % 3 == 0));
        const qint64 start
            = QDateTime(QDate(2025, 12, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
        const qint64 count = recordCount();
        return historyFile(
            QStringLiteral("bench-history"), count, [start, count](std::mt19937& random, qint64 i) {
                return madeUp(random, inputs[random() % inputs.size()],
                    start + i * (365LL * 86400000 / count));
            });
    }();
    return path;
}

std::unique_ptr<history::Store> openStore(const QString& path)
{
    QString why;
    auto store = history::Open({history::Location::Engine::Sqlite, path}, &why);
    if (!store)
        qFatal("%s", qPrintable(why));
    return store;
}

// ---- record

void record_store(benchmark::State& state)
{
    auto store = openStore(millionFile());
    std::mt19937 random(1);
    for (auto _ : state) {
        Record record
            = madeUp(random, inputs[random() % inputs.size()], QDateTime::currentMSecsSinceEpoch());
        if (!store->add(record))
            state.SkipWithError(qPrintable(store->error()));
    }
}
BENCHMARK(record_store)->Unit(benchmark::kMicrosecond);

void record_sqlite(benchmark::State& state)
{
    Sqlite sqlite(millionFile());
    sqlite.exec("PRAGMA synchronous=NORMAL");
    sqlite3_stmt* begin = sqlite.prepare("BEGIN IMMEDIATE");
    sqlite3_stmt* commit = sqlite.prepare("COMMIT");
    sqlite3_stmt* last
        = sqlite.prepare("SELECT id, at, input, kind, outcome, program, host, fields, messages, "
                         "opened, extras, changed FROM kestrune_records WHERE input = ? AND "
                         "outcome = 'answered' ORDER BY at DESC, id DESC LIMIT 1");
    sqlite3_stmt* insert = sqlite.prepare(InsertSql);
    std::mt19937 random(2);
    for (auto _ : state) {
        const Record record
            = madeUp(random, inputs[random() % inputs.size()], QDateTime::currentMSecsSinceEpoch());
        sqlite3_step(begin);
        sqlite3_reset(begin);
        bindText(last, 1, record.input);
        while (sqlite3_step(last) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(last, 7));
        sqlite3_reset(last);
        insertRaw(insert, record);
        sqlite3_step(commit);
        sqlite3_reset(commit);
    }
    for (auto* statement : {begin, commit, last, insert})
        sqlite3_finalize(statement);
}
BENCHMARK(record_sqlite)->Unit(benchmark::kMicrosecond);

// ---- last

void last_store(benchmark::State& state)
{
    auto store = openStore(millionFile());
    std::mt19937 random(3);
    for (auto _ : state)
        if (!store->last(inputs[random() % inputs.size()], false))
            state.SkipWithError(qPrintable(store->error()));
}
BENCHMARK(last_store)->Unit(benchmark::kMicrosecond);

void last_sqlite(benchmark::State& state)
{
    Sqlite sqlite(millionFile());
    sqlite3_stmt* last
        = sqlite.prepare("SELECT id, at, input, kind, outcome, program, host, fields, messages, "
                         "opened, extras, changed FROM kestrune_records WHERE input = ? "
                         "ORDER BY at DESC, id DESC LIMIT 1");
    std::mt19937 random(3);
    for (auto _ : state) {
        bindText(last, 1, inputs[random() % inputs.size()]);
        while (sqlite3_step(last) == SQLITE_ROW)
            for (int column = 0; column < 12; ++column)
                benchmark::DoNotOptimize(sqlite3_column_text(last, column));
        sqlite3_reset(last);
    }
    sqlite3_finalize(last);
}
BENCHMARK(last_sqlite)->Unit(benchmark::kMicrosecond);

// ---- search and the window's first page: 100 rows and the count

const QStringList SearchTexts {QString(), QStringLiteral("XS Max 512GB"), QStringLiteral("0755")};
const char* const SearchNames[] {"first_page", "search/common", "search/rare"};

// "rare": part of one phone's serial number, found in its few records. (Not
// a card's number: theirs share long runs of zeros.)
QString rareText()
{
    millionFile();
    return inputs[12346].mid(2, 9);
}

void page_store(benchmark::State& state)
{
    auto store = openStore(millionFile());
    Filter filter;
    filter.text = SearchTexts[int(state.range(0))];
    if (state.range(0) == 2)
        filter.text = rareText();
    qint64 found = 0;
    for (auto _ : state) {
        const auto rows = store->find(filter, {}, 0, 100);
        const auto count = store->count(filter);
        if (!rows || !count)
            state.SkipWithError(qPrintable(store->error()));
        else
            found = *count;
    }
    state.counters["found"] = double(found);
    state.SetLabel(SearchNames[state.range(0)]);
}
BENCHMARK(page_store)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void page_sqlite(benchmark::State& state)
{
    Sqlite sqlite(millionFile());
    QString text = SearchTexts[int(state.range(0))];
    if (state.range(0) == 2)
        text = rareText();
    // The statements the store runs: a text's finds sorted from the index of
    // times, and counted from the trigram index alone.
    const QByteArray columns = "SELECT id, at, input, kind, outcome, program, host, fields, "
                               "messages, opened, extras, changed FROM kestrune_records";
    const QByteArray rowsSql = text.isEmpty()
        ? columns + " ORDER BY at DESC, id DESC LIMIT 100 OFFSET 0"
        : columns
            + " WHERE id IN (SELECT id FROM kestrune_records INDEXED BY kestrune_records_times "
              "WHERE id IN (SELECT rowid FROM kestrune_text WHERE kestrune_text MATCH ?1) "
              "ORDER BY at DESC, id DESC LIMIT 100 OFFSET 0) ORDER BY at DESC, id DESC";
    const QByteArray countSql = text.isEmpty()
        ? QByteArray("SELECT count(*) FROM kestrune_records")
        : QByteArray("SELECT count(*) FROM kestrune_text WHERE kestrune_text MATCH ?1");
    sqlite3_stmt* rows = sqlite.prepare(rowsSql.constData());
    sqlite3_stmt* count = sqlite.prepare(countSql.constData());
    const QString phrase = QLatin1Char('"') + text + QLatin1Char('"');
    for (auto _ : state) {
        for (sqlite3_stmt* statement : {rows, count}) {
            if (!text.isEmpty())
                bindText(statement, 1, phrase);
            while (sqlite3_step(statement) == SQLITE_ROW)
                for (int column = 0; column < sqlite3_column_count(statement); ++column)
                    benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
            sqlite3_reset(statement);
        }
    }
    sqlite3_finalize(rows);
    sqlite3_finalize(count);
    state.SetLabel(SearchNames[state.range(0)]);
}
BENCHMARK(page_sqlite)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// ---- the window's first 100 rows sorted by another column, goal < 200 ms

void sorted_store(benchmark::State& state)
{
    static const char* const Names[] {"", "input", "kind", "outcome", "program", "host"};
    auto store = openStore(millionFile());
    const history::Order order {history::Order::Column(state.range(0)), true};
    for (auto _ : state)
        if (!store->find({}, order, 0, 100))
            state.SkipWithError(qPrintable(store->error()));
    state.SetLabel(Names[state.range(0)]);
}
BENCHMARK(sorted_store)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);

// ---- resume

constexpr int ResumeLines = 100000;
constexpr int ResumeAnswered = 99000;

QString resumeIdentifier(int line)
{
    return QStringLiteral("8986%1").arg(line, 16, 10, QLatin1Char('0'));
}

void resume_cli(benchmark::State& state)
{
    const QString file = historyFile(
        QStringLiteral("bench-resume"), ResumeAnswered, [](std::mt19937& random, qint64 i) {
            return madeUp(random, resumeIdentifier(int(i)),
                QDateTime::currentMSecsSinceEpoch() - 1000 * (ResumeAnswered - i));
        });
    const QString lines
        = QCoreApplication::applicationDirPath() + QStringLiteral("/bench-resume-lines.txt");
    if (!QFileInfo::exists(lines)) {
        QFile out(lines);
        out.open(QIODevice::WriteOnly);
        for (int i = 0; i < ResumeLines; ++i)
            out.write((resumeIdentifier(i) + QLatin1Char('\n')).toUtf8());
    }
    // The first question reaches the sample sites: the clock stops.
    std::atomic<bool> asked = false;
    loopback::Server sites([&](const loopback::Request& request) {
        asked = true;
        return samples::answer(request);
    });
    for (const auto& [name, value] : samples::environment(sites.base()))
        setenv(name.c_str(), value.c_str(), 1);
    setenv("KESTRUNE_HISTORY_FILE", file.toUtf8().constData(), 1);
    const std::string program = KESTRUNE_CLI, path = lines.toStdString();
    for (auto _ : state) {
        asked = false;
        // Ten years: the made-up answers stay young enough however old the file.
        std::vector<std::string> arguments {
            program, "--resume=3650d", "--quiet", "--format", "json", "--file", path};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const auto began = std::chrono::steady_clock::now();
        pid_t child = 0;
        posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        while (!asked && std::chrono::steady_clock::now() - began < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        if (!asked)
            state.SkipWithError("kestrune-cli asked no site within a minute");
        // What that run kept of the 1 000 it asked goes again, so that the
        // next run starts from the same history.
        Sqlite sqlite(file);
        sqlite.exec(QStringLiteral("DELETE FROM kestrune_records WHERE input >= '%1'")
                        .arg(resumeIdentifier(ResumeAnswered))
                        .toUtf8()
                        .constData());
    }
}
BENCHMARK(resume_cli)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// SQLite's part of it: the one query that reads which identifiers are answered.
void resume_sqlite(benchmark::State& state)
{
    const QString file = QCoreApplication::applicationDirPath()
        + QStringLiteral("/bench-resume-%1.sqlite").arg(ResumeAnswered);
    if (!QFileInfo::exists(file)) {
        state.SkipWithError("run resume_cli first");
        return;
    }
    Sqlite sqlite(file);
    sqlite3_stmt* answered = sqlite.prepare(
        "SELECT DISTINCT input FROM kestrune_records WHERE outcome = 'answered' AND at >= ?");
    for (auto _ : state) {
        sqlite3_bind_int64(answered, 1, 0);
        int rows = 0;
        while (sqlite3_step(answered) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(answered, 0));
            ++rows;
        }
        sqlite3_reset(answered);
        state.counters["rows"] = rows;
    }
    sqlite3_finalize(answered);
}
BENCHMARK(resume_sqlite)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
