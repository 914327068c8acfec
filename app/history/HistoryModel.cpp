#include "HistoryModel.h"

#include "LastLookupText.h"
#include "StoreThread.h"
#include "lookup/record/Csv.h"

namespace {

// About two screens of rows: the first page fills the view at once.
constexpr qint64 PageRows = 100;

using Sortable = history::Order::Column;

std::optional<Sortable> sortableOf(int column)
{
    switch (column) {
    case HistoryModel::When: return Sortable::When;
    case HistoryModel::Input: return Sortable::Input;
    case HistoryModel::Kind: return Sortable::Kind;
    case HistoryModel::Outcome: return Sortable::Outcome;
    case HistoryModel::Program: return Sortable::Program;
    case HistoryModel::Host: return Sortable::Host;
    default: return std::nullopt;
    }
}

QString kindWords(lookup::Kind kind)
{
    switch (kind) {
    case lookup::Kind::Serial: return QStringLiteral("序列号");
    case lookup::Kind::Imei: return QStringLiteral("IMEI");
    case lookup::Kind::Iccid: return QStringLiteral("ICCID");
    case lookup::Kind::Invalid: break;
    }
    return QStringLiteral("无效");
}

QString changedWords(const lookup::Record& record)
{
    QStringList names;
    for (const QString& key : record.changed)
        names << lastlookup::FieldName(key);
    return names.join(QStringLiteral("、"));
}

} // namespace

HistoryModel::HistoryModel(std::optional<history::Location> location, QObject* parent)
    : QAbstractTableModel(parent)
    , generation_(std::make_shared<std::atomic<quint64>>(0))
{
    if (location)
        store_ = std::make_unique<StoreThread>(std::move(location));
    restart();
}

HistoryModel::~HistoryModel()
{
    ++*generation_; // what is queued has nobody to show it to
    store_.reset();
}

int HistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= rows_.size()
        || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const lookup::Record& record = rows_[size_t(index.row())].record;
    switch (index.column()) {
    case When: return lastlookup::When(record);
    case Input: return lookup::Printable(record.input);
    case Kind: return kindWords(record.kind);
    case Outcome: return lastlookup::OutcomeWords(record.outcome());
    case Program: return lookup::Printable(record.program);
    case Host: return lookup::Printable(record.host);
    case Changed: return changedWords(record);
    default: return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::InitialSortOrderRole)
        return section == When ? Qt::DescendingOrder : Qt::AscendingOrder; // newest first, A to Z
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList names {QStringLiteral("时间"), QStringLiteral("号码"),
        QStringLiteral("类型"), QStringLiteral("结果"), QStringLiteral("程序"),
        QStringLiteral("主机"), QStringLiteral("有变化的项")};
    return names.value(section);
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && store_ && !exhausted_ && !fetching_;
}

void HistoryModel::fetchMore(const QModelIndex& parent)
{
    if (canFetchMore(parent))
        fetch();
}

void HistoryModel::sort(int column, Qt::SortOrder order)
{
    const auto sortable = sortableOf(column);
    if (!sortable)
        return;
    const bool descending = order == Qt::DescendingOrder;
    if (order_.column == *sortable && order_.descending == descending)
        return;
    order_ = {*sortable, descending};
    restart();
}

int HistoryModel::sortColumn() const
{
    for (int column = 0; column < ColumnCount; ++column)
        if (sortableOf(column) == order_.column)
            return column;
    return When;
}

void HistoryModel::refresh()
{
    restart();
}

void HistoryModel::setFilterText(const QString& text)
{
    if (text == filter_.text)
        return;
    filter_.text = text;
    restart();
}

const lookup::Record& HistoryModel::record(int row) const
{
    return rows_.at(size_t(row)).record;
}

void HistoryModel::restart()
{
    beginResetModel();
    rows_.clear();
    ++*generation_;
    total_ = -1;
    fetching_ = false;
    exhausted_ = false;
    endResetModel();
    if (!store_) {
        exhausted_ = true;
        emit failed(QStringLiteral("查询历史已关闭"));
        return;
    }
    // Records kept from now on show when the table starts again.
    paged_ = history::UpToNow(filter_);
    fetch(); // the first rows before the count, which may take longer
    const quint64 generation = *generation_;
    // The count is of every record the filter takes at the time it is
    // counted, not only of those the pages stop at; a text alone is then
    // counted from its index, without reading the records.
    store_->post([this, filter = filter_, generation, latest = generation_](
                     history::Store* store, const QString& why) {
        if (*latest != generation)
            return;
        const auto total = store ? store->count(filter) : std::nullopt;
        const QString error = store ? store->error() : why;
        QMetaObject::invokeMethod(this, [this, generation, total, error] {
            if (*generation_ != generation)
                return;
            if (!total)
                return emit failed(error);
            total_ = *total;
            emit totalKnown(total_);
        });
    });
}

void HistoryModel::fetch()
{
    fetching_ = true;
    const quint64 generation = *generation_;
    store_->post([this, filter = paged_, order = order_, offset = qint64(rows_.size()), generation,
                     latest = generation_](history::Store* store, const QString& why) {
        if (*latest != generation)
            return;
        auto page = store ? store->find(filter, order, offset, PageRows) : std::nullopt;
        const QString error = store ? store->error() : why;
        QMetaObject::invokeMethod(
            this, [this, generation, page = std::move(page), error]() mutable {
                if (*generation_ != generation)
                    return;
                fetching_ = false;
                if (!page) {
                    exhausted_ = true;
                    return emit failed(error);
                }
                exhausted_ = qint64(page->size()) < PageRows;
                if (!page->empty()) {
                    const int first = int(rows_.size());
                    beginInsertRows({}, first, first + int(page->size()) - 1);
                    std::move(page->begin(), page->end(), std::back_inserter(rows_));
                    endInsertRows();
                }
                emit pageArrived();
            });
    });
}
