#pragma once

#include "history/Store.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThread;

// A history store of its own on a thread of its own: the store's database
// connection belongs to the thread that opened it, and a slow or absent
// database server then holds up that thread only, never the window.
// Tasks run one after another in the order posted; the store is opened by
// the first of them, and opened again later when it could not be.
class StoreThread {
public:
    // A task gets the store, or nothing and the reason there is none.
    using Task = std::function<void(history::Store* store, const QString& why)>;

    // Without a location (history turned off) every task gets no store.
    explicit StoreThread(std::optional<history::Location> location);
    // Runs the tasks still waiting (a record not yet written is written),
    // then closes the store on its own thread.
    ~StoreThread();
    StoreThread(const StoreThread&) = delete;
    StoreThread& operator=(const StoreThread&) = delete;

    void post(Task task);

private:
    history::Store* open(QString* why);

    std::optional<history::Location> location_;
    QThread* thread_ = nullptr;
    QObject* onThread_ = nullptr; // what queued calls aim at, living on thread_
    // Only touched on thread_.
    std::unique_ptr<history::Store> store_;
    QString why_;
    QElapsedTimer lastTry_;
};
