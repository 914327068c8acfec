#pragma once

#include "history/Store.h"

#include <QAbstractTableModel>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class StoreThread;

// The history's records as a table, newest first unless sorted otherwise,
// read a page at a time as the view scrolls, so that a million records open
// as fast as a hundred. Every read runs on a store thread of the model's own;
// a new filter or order drops what an older one still sends.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { When, Input, Kind, Outcome, Program, Host, Changed, ColumnCount };

    // Without a location (history turned off) the table stays empty and
    // `failed` says why.
    HistoryModel(std::optional<history::Location> location, QObject* parent);
    ~HistoryModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // The changed fields' column keeps the order it had.
    void sort(int column, Qt::SortOrder order) override;

    // The records that hold the text in their identifier or any of their texts.
    void setFilterText(const QString& text);
    // Reads again from the first page, with what was kept since.
    void refresh();

    const lookup::Record& record(int row) const;
    const history::Filter& filter() const { return filter_; }
    const history::Order& order() const { return order_; }
    int sortColumn() const;
    // How many records the filter takes in all; -1 until the store has said.
    qint64 total() const { return total_; }

signals:
    void totalKnown(qint64 total);
    void failed(const QString& why);
    // A page has come: the first one is what the window shows on opening.
    void pageArrived();

private:
    void restart();
    void fetch();

    std::unique_ptr<StoreThread> store_;
    history::Filter filter_;
    history::Filter paged_; // filter_, up to the moment the table started
    history::Order order_;
    std::vector<history::Kept> rows_;
    qint64 total_ = -1;
    bool fetching_ = false;
    bool exhausted_ = false;
    // Which filter and order the rows belong to; older answers are dropped.
    std::shared_ptr<std::atomic<quint64>> generation_;
};
