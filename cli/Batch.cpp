#include "Batch.h"

#include "Interrupt.h"
#include "lookup/Messages.h"
#include "lookup/device/LookupImei.h"
#include "lookup/device/LookupSerial.h"
#include "lookup/record/Fields.h"
#include "lookup/sim/LookupIccid.h"

#include <QAbstractEventDispatcher>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace cli {

using namespace lookup;

namespace {

// Lines read ahead for each lookup thread: enough that no thread waits for
// the reader while lines are there, few enough to be nothing in memory.
constexpr int LinesAheadPerJob = 4;
// Lines taken from the history read ahead of the output at most: a few
// megabytes, so that a resumed batch asks its first site at once.
constexpr int ResumedAhead = 200000;

} // namespace

struct BatchState {
    explicit BatchState(std::unique_ptr<Input> input)
        : input(std::move(input))
    {
    }

    const std::unique_ptr<Input> input; // the reading thread's alone
    // Set before the threads start, read-only after.
    std::function<bool(const QString&)> answered;
    std::function<void(Record&)> keep;
    QAbstractEventDispatcher* dispatcher = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    // The rest under the mutex.
    std::deque<std::pair<int, InputLine>> waiting; // read, no lookup thread's yet
    std::map<int, Record> done; // looked up, not handed over yet
    int read = 0;
    int handedOver = 0; // the line whose record comes out next
    int resumed = 0; // lines taken from the history, not handed over yet
    bool inputEnded = false;
    bool stopping = false;
    int completed = 0;
    int failed = 0;
    int ended = 0; // lookup threads whose work is over
};

namespace {

void readInput(BatchState& state, int ahead)
{
    Interrupt::keepOffThisThread();
    for (;;) {
        {
            std::unique_lock lock(state.mutex);
            state.changed.wait(lock, [&] {
                return state.stopping
                    || (state.read - state.handedOver - state.resumed < ahead
                        && state.resumed < ResumedAhead);
            });
            if (state.stopping)
                return;
        }
        std::optional<InputLine> line = state.input->next();
        if (line && line->complaint.isEmpty() && state.answered
            && state.answered(line->identifier)) {
            Record record;
            record.input = line->identifier;
            record.kind = KindOf(line->identifier);
            record.fromHistory = true;
            {
                const std::lock_guard lock(state.mutex);
                if (state.stopping)
                    return;
                state.done.emplace(state.read++, std::move(record));
                ++state.resumed;
                ++state.completed;
            }
            state.dispatcher->wakeUp();
            continue;
        }
        {
            const std::lock_guard lock(state.mutex);
            if (line)
                state.waiting.emplace_back(state.read++, std::move(*line));
            else
                state.inputEnded = true;
        }
        state.changed.notify_all();
        if (!line)
            return;
    }
}

} // namespace

Record LookUp(const InputLine& line, bool offline)
{
    Record record;
    if (!line.complaint.isEmpty()) {
        record.complaint = line.complaint;
        return record;
    }
    const QString& identifier = line.identifier;
    record.input = identifier;
    record.kind = KindOf(identifier);
    for (const Extra& extra : Extras())
        record.extras << extra.read(record.kind, identifier);
    if (record.kind == Kind::Invalid) {
        record.messages << lookup::WrongLengthMessage;
        return record;
    }
    if (offline)
        return record;

    record.lookedUp = true;
    RecordingWindow window(record);
    switch (record.kind) {
    case Kind::Serial: lookup::LookupSerial(window, identifier); break;
    case Kind::Imei: lookup::LookupImei(window, identifier); break;
    case Kind::Iccid: lookup::LookupIccid(window, identifier); break;
    case Kind::Invalid: break;
    }
    return record;
}

Batch::Batch(std::unique_ptr<Input> input, int jobs, Deliver deliver)
    : jobs_(jobs)
    , deliver_(std::move(deliver))
    , state_(std::make_shared<BatchState>(std::move(input)))
    , dispatcher_(QAbstractEventDispatcher::instance())
{
}

Batch::~Batch()
{
    stop();
    for (QThread* thread : threads_) {
        thread->wait();
        delete thread;
    }
    if (reader_.joinable())
        reader_.detach();
}

void Batch::useHistory(
    std::function<bool(const QString&)> answered, std::function<void(Record&)> keep)
{
    state_->answered = std::move(answered);
    state_->keep = std::move(keep);
}

void Batch::start()
{
    state_->dispatcher = dispatcher_;
    reader_ = std::thread(
        [state = state_, ahead = jobs_ * LinesAheadPerJob] { readInput(*state, ahead); });
    for (int i = 0; i < jobs_; ++i)
        threads_.push_back(QThread::create([this] {
            work();
            {
                const std::lock_guard lock(state_->mutex);
                ++state_->ended;
            }
            // Also what ends a batch that had nothing to look up.
            dispatcher_->wakeUp();
        }));
    connect(dispatcher_, &QAbstractEventDispatcher::aboutToBlock, this, &Batch::look);
    for (QThread* thread : threads_)
        thread->start();
}

void Batch::stop()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    for (QThread* thread : threads_)
        thread->requestInterruption();
}

void Batch::work()
{
    Interrupt::keepOffThisThread();
    BatchState& state = *state_;
    QThread* self = QThread::currentThread();
    for (;;) {
        std::pair<int, InputLine> line;
        {
            std::unique_lock lock(state.mutex);
            state.changed.wait(
                lock, [&] { return state.stopping || state.inputEnded || !state.waiting.empty(); });
            if (state.stopping || state.waiting.empty())
                return;
            line = std::move(state.waiting.front());
            state.waiting.pop_front();
        }
        Record record = LookUp(line.second, false);
        // Cut short, its network message would be ours, not the site's.
        if (self->isInterruptionRequested())
            return;
        if (state.keep && record.complaint.isEmpty())
            state.keep(record);
        {
            const std::lock_guard lock(state.mutex);
            ++state.completed;
            if (record.failed())
                ++state.failed;
            state.done.emplace(line.first, std::move(record));
        }
        dispatcher_->wakeUp();
    }
}

void Batch::look()
{
    if (allEnded_)
        return;
    bool inputEnded = false;
    int completed = 0;
    {
        const std::lock_guard lock(state_->mutex);
        allEnded_ = state_->ended == int(threads_.size());
        inputEnded = state_->inputEnded;
        completed = state_->completed;
    }
    if (allEnded_) {
        for (QThread* thread : threads_) {
            thread->wait();
            delete thread;
        }
        threads_.clear();
        // Stopped, the reader may be waiting for a line that never comes (a
        // terminal nobody types at): it ends with the program.
        if (inputEnded)
            reader_.join();
        else
            reader_.detach();
    }
    deliverReady();
    if (completed != completedShown_) {
        completedShown_ = completed;
        emit progressed();
    }
    if (allEnded_)
        emit finished();
}

void Batch::deliverReady()
{
    for (;;) {
        std::optional<Record> record;
        {
            const std::lock_guard lock(state_->mutex);
            const auto first = state_->done.begin();
            // Once every thread has ended, the gaps a stop left stay gaps:
            // what is there comes out.
            if (first == state_->done.end() || (first->first != state_->handedOver && !allEnded_))
                break;
            record = std::move(first->second);
            if (record->fromHistory)
                --state_->resumed;
            state_->handedOver = first->first + 1;
            state_->done.erase(first);
        }
        state_->changed.notify_all(); // the reader may read further
        if (!deliver_(*record))
            stop();
    }
}

Batch::Count Batch::count()
{
    const std::lock_guard lock(state_->mutex);
    return {state_->read, state_->inputEnded, state_->completed, state_->failed};
}

} // namespace cli
