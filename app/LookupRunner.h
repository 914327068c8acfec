#pragma once

#include "lookup/Form.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>

class QThread;

// Runs one lookup at a time on a worker thread, so the window never freezes
// while a site is slow. The lookup talks to the window through a bridge that
// carries each call over to the window's thread: box writes are queued in
// order, a message box is shown there and the lookup waits for it.
class LookupRunner : public QObject {
    Q_OBJECT

public:
    using Job = std::function<void(lookup::Form& form)>;

    // `window` is where the calls end up; `context` is the window's QObject,
    // which fixes the thread they run on.
    LookupRunner(lookup::Form& window, QObject* context);
    ~LookupRunner() override;

    void start(Job job);

    // Asks the lookup in flight to end: its transfer is aborted and its
    // further calls reach nobody. Returns at once.
    void cancel();
    // Cancels, and returns once the lookup's thread has ended.
    void stop();

signals:
    // On the window's thread, after every call the lookup made has arrived.
    void finished();

private:
    class Bridge;

    lookup::Form& window_;
    QPointer<QObject> context_;
    std::atomic_bool closing_ {false};
    QThread* thread_ = nullptr;
};
