#include "LookupRunner.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

// What the lookup holds as its window while it runs on the worker thread.
class LookupRunner::Bridge final : public lookup::Form {
public:
    explicit Bridge(LookupRunner& runner)
        : runner_(runner)
    {
    }

    void setText(lookup::Box box, const QString& text) override
    {
        post([box, text](lookup::Form& window) { window.setText(box, text); });
    }

    int msgBox(const QString& prompt, int style, const QString& title) override
    {
        int pressed = 0;
        if (runner_.closing_ || !runner_.context_)
            return pressed;
        QMetaObject::invokeMethod(
            runner_.context_,
            [&] {
                // The window may have begun to close while this call waited.
                if (!runner_.closing_)
                    pressed = runner_.window_.msgBox(prompt, style, title);
            },
            Qt::BlockingQueuedConnection);
        return pressed;
    }

    void openInSystemBrowser(const QString& address) override
    {
        post([address](lookup::Form& window) { window.openInSystemBrowser(address); });
    }

private:
    // The call may run after the lookup, and this bridge, have ended: it holds
    // on to the runner, which lives as long as the window it posts to.
    template <typename Call> void post(Call call)
    {
        LookupRunner* runner = &runner_;
        if (runner->closing_ || !runner->context_)
            return;
        QMetaObject::invokeMethod(
            runner->context_,
            [runner, call] {
                if (!runner->closing_)
                    call(runner->window_);
            },
            Qt::QueuedConnection);
    }

    LookupRunner& runner_;
};

LookupRunner::LookupRunner(lookup::Form& window, QObject* context)
    : window_(window)
    , context_(context)
{
}

LookupRunner::~LookupRunner()
{
    stop();
}

void LookupRunner::start(Job job)
{
    if (thread_)
        return;
    thread_ = QThread::create([this, job = std::move(job)] {
        Bridge bridge(*this);
        job(bridge);
    });
    // Queued behind the lookup's own calls, so the window has them all first.
    QThread* thread = thread_;
    connect(
        thread, &QThread::finished, this,
        [this, thread] {
            if (thread_ != thread) // stop() has taken care of it
                return;
            thread->wait(); // "finished" comes just before the thread's very end
            delete thread;
            thread_ = nullptr;
            emit finished();
        },
        Qt::QueuedConnection);
    thread_->start();
}

void LookupRunner::cancel()
{
    closing_ = true;
    if (thread_)
        thread_->requestInterruption();
}

void LookupRunner::stop()
{
    if (!thread_)
        return;
    cancel();
    // Taken from thread_ first, so the queued "finished" handler leaves it to us.
    QThread* thread = std::exchange(thread_, nullptr);
    // The lookup may be waiting for a message box on this thread: keep
    // answering its calls (they return at once now) until it has ended.
    while (!thread->wait(10))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    delete thread;
}
