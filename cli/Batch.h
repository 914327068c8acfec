#pragma once

#include "Record.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class QSocketNotifier;
class QThread;

namespace cli {

// Looks up a list of identifiers, `jobs` at a time, each lookup on a thread
// of its own with its own request objects, and hands the records over on the
// thread that made the batch, in input order, as soon as every earlier one
// is there.
//
// The records cross threads under a std::mutex and the threads wake the
// main one through an eventfd, not through Qt's event queue: Qt's own
// locking is invisible to ThreadSanitizer (Qt is not built for it), so every
// queued call would be reported as a race, and the tests run under it.
class Batch : public QObject {
    Q_OBJECT

public:
    using Deliver = std::function<void(const Record& record)>;

    Batch(QStringList identifiers, int jobs, Deliver deliver);
    ~Batch() override;

    void start();
    // Ends the batch early: each transfer in flight is aborted and no further
    // lookup starts. What was complete still comes out, in input order; a
    // lookup cut short does not. Returns at once; finished() follows.
    void interrupt();

    int total() const { return int(identifiers_.size()); }
    // Lookups complete so far, whether handed over yet or not, and how many
    // of them failed (Record::failed).
    int completed();
    int failed();
    bool interrupted() const { return interrupted_; }

signals:
    void progressed(); // a lookup has completed
    void finished(); // every thread has ended and every record come out

private:
    void work();
    void wake();
    void woken();
    void deliverReady();

    const QStringList identifiers_;
    const int jobs_;
    const Deliver deliver_;

    std::atomic<qsizetype> next_ {0};
    std::mutex mutex_;
    std::vector<std::optional<Record>> done_; // under mutex_
    int completed_ = 0; // under mutex_
    int failed_ = 0; // under mutex_
    int ended_ = 0; // threads whose work is over, under mutex_
    size_t nextOut_ = 0; // first record not handed over yet

    std::vector<QThread*> threads_;
    int wakeFd_ = -1;
    QSocketNotifier* wakeNotifier_ = nullptr;
    bool allEnded_ = false;
    bool interrupted_ = false;
};

// Looks one identifier up, on the calling thread, as the window would.
Record LookUp(const QString& identifier, bool offline);

} // namespace cli
