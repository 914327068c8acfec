#pragma once

#include "Input.h"
#include "lookup/record/Record.h"

#include <QObject>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QAbstractEventDispatcher;
class QThread;

namespace cli {

using lookup::Record;

struct BatchState;

// Looks the identifiers of an Input up, `jobs` at a time, each lookup on a
// thread of its own with its own request objects, and hands the records over
// on the thread that made the batch, in input order, as soon as every earlier
// one is there. A thread of its own reads the input, a few lines ahead of the
// lookups and never further: the first lookups start while a pipe still
// delivers, and a long input takes no more memory than a short one.
//
// The threads share their state under a std::mutex, wake the main thread's
// event loop (QAbstractEventDispatcher::wakeUp, which allocates nothing), and
// the batch looks at the state each time that loop is about to wait. No event
// or queued call crosses the threads: Qt's locking of its event queue is
// invisible to ThreadSanitizer (Qt is not built for it), and the tests run
// under it.
class Batch : public QObject {
    Q_OBJECT

public:
    // False when the record could not be passed on: the batch then stops.
    using Deliver = std::function<bool(const Record& record)>;

    Batch(std::unique_ptr<Input> input, int jobs, Deliver deliver);
    ~Batch() override;

    // Before start(): lines whose identifier `answered` names are not looked
    // up but handed over at once, as a Record with fromHistory set and only
    // the input filled in (--resume); they do not count against the lines
    // read ahead, so that asking starts without waiting for them. `keep`
    // gets each lookup's record on its lookup thread before it counts as
    // done (the history).
    void useHistory(
        std::function<bool(const QString&)> answered, std::function<void(Record&)> keep);

    void start();
    // Ends the batch early: each transfer in flight is aborted and no further
    // lookup starts. What was complete still comes out, in input order; a
    // lookup cut short does not. Returns at once; finished() follows.
    void stop();

    struct Count {
        int read = 0; // lines taken from the input so far
        bool inputEnded = false;
        int completed = 0; // lookups complete, whether handed over yet or not
        int failed = 0; // of those, the ones that failed (Record::failed)
    };
    Count count();

signals:
    void progressed(); // a lookup has completed
    void finished(); // every lookup thread has ended and every record come out

private:
    void work();
    void look();
    void deliverReady();

    const int jobs_;
    const Deliver deliver_;
    // Shared with the reading thread, which may outlive the batch (stop()).
    const std::shared_ptr<BatchState> state_;
    QAbstractEventDispatcher* const dispatcher_; // the main thread's
    std::vector<QThread*> threads_;
    std::thread reader_;
    bool allEnded_ = false;
    int completedShown_ = 0; // lookups complete when progressed() was last emitted
};

// Looks one input line up, on the calling thread, as the window would.
Record LookUp(const InputLine& line, bool offline);

} // namespace cli
