#include "StoreThread.h"

#include <QThread>

namespace {

// An absent server is not asked again at every keystroke; a folder made
// writable, or a server started, is found again after this.
constexpr qint64 RetryAfterMs = 5000;

} // namespace

StoreThread::StoreThread(std::optional<history::Location> location)
    : location_(std::move(location))
    , thread_(new QThread)
    , onThread_(new QObject)
{
    thread_->setObjectName(QStringLiteral("history"));
    onThread_->moveToThread(thread_);
    thread_->start();
}

StoreThread::~StoreThread()
{
    // Queued behind every task still waiting, so that none is dropped.
    QMetaObject::invokeMethod(
        onThread_,
        [this] {
            store_.reset();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    thread_->wait();
    delete onThread_;
    delete thread_;
}

void StoreThread::post(Task task)
{
    QMetaObject::invokeMethod(
        onThread_,
        [this, task = std::move(task)] {
            QString why;
            history::Store* store = open(&why);
            task(store, why);
        },
        Qt::QueuedConnection);
}

history::Store* StoreThread::open(QString* why)
{
    if (store_)
        return store_.get();
    if (!location_) {
        *why = QStringLiteral("查询历史已关闭");
        return nullptr;
    }
    if (lastTry_.isValid() && lastTry_.elapsed() < RetryAfterMs) {
        *why = why_;
        return nullptr;
    }
    lastTry_.start();
    why_.clear();
    store_ = history::Open(*location_, &why_);
    *why = why_;
    return store_.get();
}
