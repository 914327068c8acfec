#include "WindowHistory.h"

#include "HistoryLine.h"
#include "HistoryWindow.h"
#include "KeepingForm.h"
#include "LastLookupText.h"
#include "StoreThread.h"
#include "history/Where.h"
#include "lookup/Messages.h"
#include "lookup/record/Fields.h"
#include "lookup/record/Kind.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QSysInfo>
#include <QThread>

#include <deque>
#include <utility>

namespace {

// Records the store could not take wait for it in memory, up to this many
// (a long day at one desk); the oldest go first beyond it.
constexpr size_t MostUnwritten = 1000;

const QKeySequence OpenKeys(Qt::CTRL | Qt::Key_H);

lookup::Record started(lookup::Kind kind, const QString& input)
{
    lookup::Record record;
    record.input = input;
    record.kind = kind;
    for (const lookup::Extra& extra : lookup::Extras())
        record.extras << extra.read(kind, input);
    return record;
}

void stamp(lookup::Record& record)
{
    record.when = QDateTime::currentDateTimeUtc();
    record.program = QStringLiteral("kestrune");
    record.host = QSysInfo::machineHostName();
}

} // namespace

WindowHistory::WindowHistory(
    QWidget* window, HistoryLine* line, QLineEdit* deviceInput, QLineEdit* simInput)
    : window_(window)
    , line_(line)
    , latestAsked_(std::make_shared<std::atomic<quint64>>(0))
{
    QStringList warnings;
    location_ = history::ConfiguredLocation(&warnings);
    if (location_)
        store_ = std::make_unique<StoreThread>(location_);
    if (!warnings.isEmpty())
        line_->say(warnings.join(QLatin1Char(' ')));

    line_->watch(deviceInput, false);
    line_->watch(simInput, true); // the ICCID lookup drops the spaces around it
    QObject::connect(line_, &HistoryLine::identifierTyped, this, &WindowHistory::ask);

    auto* shortcut = new QShortcut(OpenKeys, window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, this, [this] { showWindow(); });
    addContextMenu(deviceInput);
    addContextMenu(simInput);
}

WindowHistory::~WindowHistory()
{
    store_.reset();
    delete historyWindow_;
}

LookupRunner::Job WindowHistory::keeping(
    lookup::Kind kind, const QString& input, LookupRunner::Job lookup)
{
    if (!store_ || input.isEmpty())
        return lookup;
    return [this, kind, input, lookup = std::move(lookup)](lookup::Form& form) {
        lookup::Record record = started(kind, input);
        record.lookedUp = true;
        KeepingForm keepingForm(form, record);
        lookup(keepingForm);
        // Closing the window cut it short: what it showed is no answer.
        if (QThread::currentThread()->isInterruptionRequested())
            return;
        keep(std::move(record));
    };
}

void WindowHistory::keepRefused(const QString& input)
{
    if (!store_ || input.isEmpty())
        return;
    lookup::Record record = started(lookup::Kind::Invalid, input);
    record.messages << lookup::WrongLengthMessage;
    keep(std::move(record));
}

// On the lookup's thread or the window's: it only hands the record over.
void WindowHistory::keep(lookup::Record record)
{
    stamp(record);
    store_->post([this, record = std::move(record), unwritten = unwritten_](
                     history::Store* store, const QString& why) mutable {
        auto notKept = [&](const QString& reason) {
            unwritten->push_back(std::move(record));
            if (unwritten->size() > MostUnwritten)
                unwritten->pop_front();
            QMetaObject::invokeMethod(this, [this, reason] { tellNotKept(reason); });
        };
        if (!store)
            return notKept(why);
        // What waited for the store goes in first, in the order it came.
        while (!unwritten->empty() && store->add(unwritten->front()))
            unwritten->pop_front();
        if (!unwritten->empty())
            return notKept(store->error());
        const auto previous = store->last(record.input, false);
        const auto previousAnswered = store->last(record.input, true);
        if (!previous || !previousAnswered || !store->add(record))
            return notKept(store->error());
        const QString said = lastlookup::After(record, *previous, *previousAnswered);
        QMetaObject::invokeMethod(this, [this, input = record.input, said] {
            if (line_->identifier() == input)
                line_->say(said);
        });
    });
}

void WindowHistory::ask(const QString& identifier)
{
    const quint64 ticket = ++*latestAsked_;
    if (!store_ || identifier.isEmpty()) {
        line_->say({});
        return;
    }
    const bool complete = lookup::KindOf(identifier) != lookup::Kind::Invalid;
    store_->post([this, identifier, ticket, complete, latest = latestAsked_](
                     history::Store* store, const QString& why) {
        if (*latest != ticket) // typed on since; a newer question is queued
            return;
        std::optional<std::optional<lookup::Record>> last;
        const QString reason
            = store ? (last = store->last(identifier, false), store->error()) : why;
        QMetaObject::invokeMethod(this, [this, ticket, complete, last, reason] {
            if (*latestAsked_ != ticket)
                return;
            if (last)
                line_->say(lastlookup::Before(*last, complete));
            else
                tellNotKept(reason);
        });
    });
}

void WindowHistory::tellNotKept(const QString& why)
{
    if (toldNotKept_)
        return;
    toldNotKept_ = true;
    line_->say(lastlookup::NotKept(why));
}

void WindowHistory::addContextMenu(QLineEdit* input)
{
    input->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(input, &QWidget::customContextMenuRequested, this, [this, input](QPoint at) {
        QMenu* menu = input->createStandardContextMenu();
        menu->addSeparator();
        QAction* open = menu->addAction(QStringLiteral("查询历史…"));
        open->setShortcut(OpenKeys); // shown beside it; the window's shortcut acts
        open->setShortcutVisibleInContextMenu(true);
        QObject::connect(open, &QAction::triggered, this,
            [this, input] { showWindow(input->text().trimmed()); });
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(input->mapToGlobal(at));
    });
}

void WindowHistory::showWindow(const QString& filter)
{
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(location_, window_);
        historyWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!filter.isEmpty())
        historyWindow_->setFilter(filter);
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}
