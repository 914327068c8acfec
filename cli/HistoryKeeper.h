#pragma once

#include "history/Store.h"
#include "lookup/record/Record.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cli {

// Keeps each lookup's record in the history, from the lookup threads, through
// one thread of its own that alone talks to the store (Qt's database
// connections belong to one thread). A record is written before its lookup
// counts as done, so that a batch killed outright loses only the lookups in
// flight.
//
// When the store cannot be written (a full disk, a read-only folder, a lock
// held beyond the busy time-out, a server down), the lookups go on: records
// wait, in order, and the thread tries again every second and a last time at
// the end; what it could still not write, finish() hands back.
class HistoryKeeper {
public:
    explicit HistoryKeeper(history::Location location);
    ~HistoryKeeper();
    HistoryKeeper(const HistoryKeeper&) = delete;
    HistoryKeeper& operator=(const HistoryKeeper&) = delete;

    // On a lookup thread: keeps the record (setting its time, program and
    // host, and `changed` from the store). While the store fails, returns at
    // once and the record waits to be written.
    void keep(lookup::Record& record);

    // Runs a task on the store's thread and waits for it: with the store, or
    // with none and the reason it could not be opened.
    using Task = std::function<void(history::Store* store, const QString& why)>;
    void call(const Task& task);

    // What the user should hear about the history, once each: that it is not
    // being written and why, that it is written again. Empty when nothing new.
    QString takeNotice();

    // Writes what waits a last time and ends the thread. The records it could
    // not write, and why.
    std::vector<lookup::Record> finish(QString* why);

private:
    struct Waiting;
    void run();
    bool write(lookup::Record& record);
    history::Store* store(QString* why);

    const history::Location location_;
    std::unique_ptr<history::Store> store_; // the thread's alone
    std::mutex mutex_;
    std::condition_variable changed_;
    // Under the mutex:
    std::deque<std::shared_ptr<Waiting>> waiting_;
    std::deque<std::pair<const Task*, bool*>> tasks_;
    bool failing_ = false;
    bool saidFailing_ = false;
    QString error_;
    QString notice_;
    bool finishing_ = false;
    bool ended_ = false;
    std::thread thread_;
};

} // namespace cli
