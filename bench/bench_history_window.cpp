// The history window with a large history: from opening it to its first rows
// in the table, beside the store's own read of the same page. The history is
// made once (a million records take a while) and kept beside the benchmark.
#include "history/Columns.h"
#include "history/HistoryModel.h"
#include "history/HistoryWindow.h"
#include "history/Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

constexpr qint64 FirstPage = 100;

history::Location locationOf(const QString& file)
{
    return {history::Location::Engine::Sqlite, file};
}

// Serial numbers, IMEIs and ICCIDs of many phones, several looked up more
// than once, over about a year.
lookup::Record recordNumber(qint64 i)
{
    lookup::Record record;
    const qint64 phone = i % (i % 3 ? 400000 : 250000);
    switch (i % 3) {
    case 0:
        record.kind = lookup::Kind::Iccid;
        record.input = QStringLiteral("8986001234%1").arg(phone, 10, 10, QLatin1Char('0'));
        record.boxes = {{lookup::T1(1), QStringLiteral("中国移动GSM")},
            {lookup::T1(3), QStringLiteral("2015年")},
            {lookup::T1(4), QStringLiteral("广东广州(020)")}};
        break;
    case 1:
        record.kind = lookup::Kind::Imei;
        record.input = QStringLiteral("35%1").arg(phone, 13, 10, QLatin1Char('0'));
        record.boxes = {{lookup::T(2), QStringLiteral("iPhone 6s 小白 64GB")},
            {lookup::T(5), i % 7 ? QStringLiteral("有效") : QStringLiteral("已过期")}};
        break;
    default:
        record.kind = lookup::Kind::Serial;
        record.input = QStringLiteral("F2L%1").arg(phone, 9, 36, QLatin1Char('0')).toUpper();
        record.boxes = {{lookup::T(2), QStringLiteral("iPhone 6 Plus 64GB Space Gray")},
            {lookup::T(3), QStringLiteral("已激活")}};
        break;
    }
    record.lookedUp = true;
    record.when = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(i * 30);
    record.program = i % 5 ? QStringLiteral("kestrune-cli") : QStringLiteral("kestrune");
    record.host = QStringLiteral("desk%1").arg(i % 4);
    return record;
}

// Writes records [from, to) in one transaction, through the store's own
// column mapping: a million through Store::add, one transaction each, would
// take an hour on a busy machine, and this is only the benchmark's set-up.
bool fill(const QString& file, qint64 from, qint64 to, std::string* error)
{
    const QString connection = QStringLiteral("bench-fill");
    bool done = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(file);
        QSqlQuery insert(database);
        // Committed every so often, so that an interrupted set-up keeps what it did.
        constexpr qint64 Chunk = 50000;
        done = database.open() && QSqlQuery(database).exec(QStringLiteral("PRAGMA synchronous=OFF"))
            && database.transaction()
            && insert.prepare(QStringLiteral(
                "INSERT INTO kestrune_records (at, input, kind, outcome, program, host, fields, "
                "messages, opened, extras, changed, body) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                "?)"));
        for (qint64 i = from; done && i < to; ++i) {
            const history::Columns columns = history::ToColumns(recordNumber(i));
            for (const QVariant& value :
                QVariantList {columns.at, columns.input, columns.kind, columns.outcome,
                    columns.program, columns.host, columns.fields, columns.messages, columns.opened,
                    columns.extras, columns.changed, columns.body})
                insert.addBindValue(value);
            done = insert.exec();
            if (done && (i + 1) % Chunk == 0)
                done = database.commit() && database.transaction();
        }
        done = done && database.commit();
        if (!done)
            *error = (insert.lastError().text() + database.lastError().text()).toStdString();
        insert.finish();
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return done;
}

// The file with `records` records, made on first use.
QString historyOf(qint64 records, std::string* error)
{
    const QString file = QDir(QStringLiteral(KESTRUNE_BENCH_DATA))
                             .filePath(QStringLiteral("history-%1.sqlite").arg(records));
    QString why;
    auto store = history::Open(locationOf(file), &why); // makes the tables
    const auto kept = store ? store->count({}) : std::nullopt;
    if (!kept) {
        *error = (store ? store->error() : why).toStdString();
        return {};
    }
    store.reset();
    if (*kept < records && !fill(file, *kept, records, error))
        return {};
    return file;
}

void first_rows_shown(benchmark::State& state)
{
    std::string error;
    const QString file = historyOf(state.range(0), &error);
    if (file.isEmpty())
        return state.SkipWithError(error.c_str());
    // The main window is open when the user asks for the history: the
    // widgets' style, fonts and Qt's SQL driver are loaded by then.
    const auto open = [&] {
        auto window = std::make_unique<HistoryWindow>(locationOf(file), nullptr);
        QEventLoop waiting;
        QObject::connect(window->model(), &HistoryModel::pageArrived, &waiting, &QEventLoop::quit);
        QTimer::singleShot(10000, &waiting, &QEventLoop::quit);
        window->show();
        waiting.exec();
        return window;
    };
    open();
    for (auto _ : state) {
        // From the user's Ctrl+H to the rows painted; closing the window (it
        // waits for its count of all records) is not part of it.
        QElapsedTimer clock;
        clock.start();
        const auto window = open();
        if (window->model()->rowCount() != FirstPage)
            return state.SkipWithError("no first page");
        benchmark::DoNotOptimize(window->table()->viewport()->grab());
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(first_rows_shown)
    ->Arg(10000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The store's own read of that page on an open store: what the window adds
// beyond it is opening its store, its thread and the table.
void first_page_from_the_store(benchmark::State& state)
{
    std::string error;
    const QString file = historyOf(state.range(0), &error);
    if (file.isEmpty())
        return state.SkipWithError(error.c_str());
    QString why;
    auto store = history::Open(locationOf(file), &why);
    if (!store)
        return state.SkipWithError(why.toStdString().c_str());
    for (auto _ : state) {
        const auto page = store->find({}, {}, 0, FirstPage);
        if (!page || qint64(page->size()) != FirstPage)
            return state.SkipWithError("no first page");
        benchmark::DoNotOptimize(page);
    }
}
BENCHMARK(first_page_from_the_store)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
