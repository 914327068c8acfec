#include "HistoryKeeper.h"

#include "Interrupt.h"
#include "history/Where.h"

#include <QSysInfo>

#include <chrono>

namespace cli {

using lookup::Record;

namespace {

// How long a store that failed is left alone before the next try: a server
// restarting, a lock released, a disk cleared.
constexpr std::chrono::seconds RetryAfter {1};

} // namespace

struct HistoryKeeper::Waiting {
    Record record;
    bool done = false; // written, its `changed` filled in
};

HistoryKeeper::HistoryKeeper(history::Location location)
    : location_(std::move(location))
{
    thread_ = std::thread([this] { run(); });
}

HistoryKeeper::~HistoryKeeper()
{
    QString ignored;
    finish(&ignored);
}

history::Store* HistoryKeeper::store(QString* why)
{
    if (!store_)
        store_ = history::Open(location_, why);
    return store_.get();
}

bool HistoryKeeper::write(Record& record)
{
    QString why;
    history::Store* const store = this->store(&why);
    if (store && store->add(record))
        return true;
    if (store)
        why = store->error();
    const std::lock_guard lock(mutex_);
    error_ = why;
    return false;
}

void HistoryKeeper::run()
{
    Interrupt::keepOffThisThread();
    auto retryAt = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    for (;;) {
        const bool due = !failing_ || std::chrono::steady_clock::now() >= retryAt;
        if (!tasks_.empty()) {
            const auto [task, done] = tasks_.front();
            tasks_.pop_front();
            lock.unlock();
            QString why;
            history::Store* const store = this->store(&why);
            (*task)(store, why);
            lock.lock();
            *done = true;
            changed_.notify_all();
            continue;
        }
        if (!waiting_.empty() && (due || finishing_)) {
            const std::shared_ptr<Waiting> next = waiting_.front();
            lock.unlock();
            const bool written = write(next->record);
            lock.lock();
            if (written) {
                waiting_.pop_front();
                next->done = true;
                if (failing_) {
                    failing_ = false;
                    notice_ = QStringLiteral("the history is written again (%1)")
                                  .arg(history::Describe(location_));
                }
            } else {
                failing_ = true;
                retryAt = std::chrono::steady_clock::now() + RetryAfter;
                if (!saidFailing_) {
                    saidFailing_ = true;
                    notice_ = QStringLiteral(
                        "the history cannot be written: %1. The lookups go on; their records "
                        "are kept and written once it can be")
                                  .arg(error_);
                }
                if (finishing_)
                    break;
            }
            changed_.notify_all();
            continue;
        }
        if (finishing_ && waiting_.empty())
            break;
        if (failing_ && !waiting_.empty())
            changed_.wait_until(lock, retryAt);
        else
            changed_.wait(lock);
    }
    ended_ = true;
    changed_.notify_all();
    lock.unlock();
    // Closed on the thread that opened it.
    store_.reset();
}

void HistoryKeeper::keep(Record& record)
{
    if (!record.when.isValid())
        record.when = QDateTime::currentDateTimeUtc();
    record.program = QStringLiteral("kestrune-cli");
    record.host = QSysInfo::machineHostName();
    auto waiting = std::make_shared<Waiting>(Waiting {record});
    std::unique_lock lock(mutex_);
    if (ended_)
        return;
    waiting_.push_back(waiting);
    changed_.notify_all();
    changed_.wait(lock, [&] { return waiting->done || failing_ || ended_; });
    if (waiting->done)
        record.changed = waiting->record.changed;
}

void HistoryKeeper::call(const Task& task)
{
    bool done = false;
    std::unique_lock lock(mutex_);
    if (ended_) {
        task(nullptr, QStringLiteral("the history is closed"));
        return;
    }
    tasks_.emplace_back(&task, &done);
    changed_.notify_all();
    changed_.wait(lock, [&] { return done; });
}

QString HistoryKeeper::takeNotice()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(notice_, {});
}

std::vector<Record> HistoryKeeper::finish(QString* why)
{
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    std::vector<Record> unwritten;
    const std::lock_guard lock(mutex_);
    for (const auto& waiting : waiting_)
        unwritten.push_back(waiting->record);
    waiting_.clear();
    *why = error_;
    return unwritten;
}

} // namespace cli
