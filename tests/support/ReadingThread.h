#pragma once

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>

// Reading a page runs on a thread of its own here, as it does under the
// window, so that a test can cancel it the way closing the window does.
namespace reading {

// Runs `work` on a new thread that has already been asked to stop: the
// reading it starts sees a cancelled lookup from its first check on.
inline void runCancelled(const std::function<void()>& work)
{
    QSemaphore asked;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        asked.acquire();
        work();
    }));
    thread->start();
    thread->requestInterruption();
    asked.release();
    thread->wait();
}

// Runs `work` on a new thread and gives it `limit` to end; past that the
// thread is asked to stop and false comes back once it has. Reading is
// linear, so the inputs the tests give take milliseconds; a limit of seconds
// is only reached when reading has turned quadratic again, and then the test
// fails after the limit instead of after minutes.
inline bool endsWithin(std::chrono::milliseconds limit, const std::function<void()>& work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    if (thread->wait(QDeadlineTimer(limit)))
        return true;
    thread->requestInterruption();
    thread->wait();
    return false;
}

// The limit the tests give a reading that takes milliseconds.
constexpr std::chrono::seconds GenerousLimit {10};

} // namespace reading
