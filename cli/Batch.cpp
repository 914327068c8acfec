#include "Batch.h"

#include "Fields.h"
#include "lookup/Messages.h"
#include "lookup/device/LookupImei.h"
#include "lookup/device/LookupSerial.h"
#include "lookup/sim/LookupIccid.h"

#include <QSocketNotifier>
#include <QThread>

#include <csignal>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace cli {

Record LookUp(const QString& identifier, bool offline)
{
    Record record;
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

Batch::Batch(QStringList identifiers, int jobs, Deliver deliver)
    : identifiers_(std::move(identifiers))
    , jobs_(jobs)
    , deliver_(std::move(deliver))
    , done_(size_t(identifiers_.size()))
{
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(wakeNotifier_, &QSocketNotifier::activated, this, &Batch::woken);
}

Batch::~Batch()
{
    for (QThread* thread : threads_) {
        thread->requestInterruption();
        thread->wait();
        delete thread;
    }
    // Under the lock the threads last wrote to it with: QThread::wait orders
    // their end before this by means ThreadSanitizer cannot see.
    const std::lock_guard lock(mutex_);
    ::close(wakeFd_);
}

void Batch::start()
{
    const int threads = qMin<qsizetype>(jobs_, identifiers_.size());
    for (int i = 0; i < threads; ++i)
        threads_.push_back(QThread::create([this] {
            work();
            {
                const std::lock_guard lock(mutex_);
                ++ended_;
            }
            wake();
        }));
    for (QThread* thread : threads_)
        thread->start();
    if (threads == 0)
        wake();
}

void Batch::interrupt()
{
    interrupted_ = true;
    for (QThread* thread : threads_)
        thread->requestInterruption();
}

void Batch::work()
{
    // Ctrl-C is the main thread's to handle; here it would only cut a
    // transfer's wait short.
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);

    QThread* self = QThread::currentThread();
    while (!self->isInterruptionRequested()) {
        const qsizetype index = next_++;
        if (index >= identifiers_.size())
            return;
        Record record = LookUp(identifiers_[index], false);
        // Cut short, its network message would be ours, not the site's.
        if (self->isInterruptionRequested())
            return;
        {
            const std::lock_guard lock(mutex_);
            ++completed_;
            if (record.failed())
                ++failed_;
            done_[size_t(index)] = std::move(record);
        }
        wake();
    }
}

void Batch::wake()
{
    const std::lock_guard lock(mutex_);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void Batch::woken()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(wakeFd_, &count, sizeof count);
    bool allEnded = false;
    {
        const std::lock_guard lock(mutex_);
        allEnded = ended_ == int(threads_.size());
    }
    if (allEnded_ || !allEnded) {
        deliverReady();
        return;
    }
    allEnded_ = true;
    for (QThread* thread : threads_) {
        thread->wait();
        delete thread;
    }
    threads_.clear();
    deliverReady();
    emit finished();
}

void Batch::deliverReady()
{
    for (;;) {
        std::optional<Record> record;
        {
            const std::lock_guard lock(mutex_);
            // After an interruption the gaps stay gaps: hand over what is there.
            while (interrupted_ && allEnded_ && nextOut_ < done_.size() && !done_[nextOut_])
                ++nextOut_;
            if (nextOut_ >= done_.size() || !done_[nextOut_])
                break;
            record = std::move(done_[nextOut_]);
            done_[nextOut_].reset();
            ++nextOut_;
        }
        deliver_(*record);
    }
    emit progressed();
}

int Batch::completed()
{
    const std::lock_guard lock(mutex_);
    return completed_;
}

int Batch::failed()
{
    const std::lock_guard lock(mutex_);
    return failed_;
}

} // namespace cli
