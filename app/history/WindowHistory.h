#pragma once

#include "LookupRunner.h"
#include "history/Store.h"
#include "lookup/record/Record.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <deque>
#include <memory>
#include <optional>

class HistoryLine;
class HistoryWindow;
class QLineEdit;
class QWidget;
class StoreThread;

// The window's history: keeps each lookup's record, feeds the line that says
// when the typed identifier was looked up before, and opens the history
// window (Ctrl+H, or the input boxes' context menu). Every use of the store
// runs on a thread of its own; when the store cannot be written the lookups
// go on as ever and the line says so, once.
class WindowHistory : public QObject {
    Q_OBJECT

public:
    // `line` is placed by the window's layout; the inputs are watched.
    WindowHistory(QWidget* window, HistoryLine* line, QLineEdit* deviceInput, QLineEdit* simInput);
    // Writes what is still waiting to be written, then ends the store's thread.
    ~WindowHistory() override;

    // A lookup that keeps its record once it has ended. Runs on the lookup's
    // thread; a lookup cut short by the window's closing is not kept.
    LookupRunner::Job keeping(lookup::Kind kind, const QString& input, LookupRunner::Job lookup);
    // A device input refused for its length, looked up nowhere.
    void keepRefused(const QString& input);

    // All records, or (`filter`) those of one identifier.
    void showWindow(const QString& filter = {});

private:
    void keep(lookup::Record record);
    void ask(const QString& identifier);
    void tellNotKept(const QString& why);
    void addContextMenu(QLineEdit* input);

    QWidget* window_;
    HistoryLine* line_;
    std::optional<history::Location> location_;
    std::unique_ptr<StoreThread> store_;
    // The newest question the line asked; older ones still queued are skipped.
    std::shared_ptr<std::atomic<quint64>> latestAsked_;
    // Records the store did not take yet; only touched on the store's thread.
    std::shared_ptr<std::deque<lookup::Record>> unwritten_
        = std::make_shared<std::deque<lookup::Record>>();
    bool toldNotKept_ = false;
    QPointer<HistoryWindow> historyWindow_;
};
