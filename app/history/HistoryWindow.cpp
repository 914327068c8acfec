#include "HistoryWindow.h"

#include "CsvExport.h"
#include "HistoryModel.h"
#include "RecordText.h"
#include "StoreThread.h"
#include "lookup/record/Csv.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// As the window's offline line: a typed word settles, then the table follows.
constexpr int PauseMs = 150;

QPushButton* button(const QString& text, QWidget* parent)
{
    auto* made = new QPushButton(text, parent);
    made->setAutoDefault(false); // Enter in the filter box starts nothing
    return made;
}

} // namespace

HistoryWindow::HistoryWindow(std::optional<history::Location> location, QWidget* parent)
    : QDialog(parent)
    , location_(std::move(location))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("查询历史"));
    resize(760, 520);

    filter_ = new QLineEdit(this);
    filter_->setAccessibleName(QStringLiteral("筛选"));
    filter_->setPlaceholderText(QStringLiteral("号码或任意文字"));
    filter_->setClearButtonEnabled(true);
    filter_->installEventFilter(this);
    auto* filterLabel = new QLabel(QStringLiteral("筛选(&F):"), this);
    filterLabel->setBuddy(filter_);

    model_ = new HistoryModel(location_, this);
    table_ = new QTableView(this);
    table_->setAccessibleName(QStringLiteral("查询记录"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false); // Tab goes on to the details, as elsewhere
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSortIndicator(HistoryModel::When, Qt::DescendingOrder);
    table_->setSortingEnabled(true);
    table_->setColumnWidth(HistoryModel::When, 130);
    table_->setColumnWidth(HistoryModel::Input, 170);

    details_ = new QPlainTextEdit(this);
    details_->setAccessibleName(QStringLiteral("记录详情"));
    details_->setReadOnly(true);
    details_->setTabChangesFocus(true);
    details_->setMaximumBlockCount(0);
    auto* detailsLabel = new QLabel(QStringLiteral("详情(&D):"), this);
    detailsLabel->setBuddy(details_);

    status_ = new QLabel(this);
    status_->setAccessibleName(QStringLiteral("状态"));
    status_->setTextFormat(Qt::PlainText);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    export_ = button(QStringLiteral("导出CSV(&E)…"), this);
    copy_ = button(QStringLiteral("复制(&C)"), this);
    QPushButton* close = button(QStringLiteral("关闭"), this);
    connect(export_, &QPushButton::clicked, this, &HistoryWindow::chooseExportFile);
    connect(copy_, &QPushButton::clicked, this, &HistoryWindow::copySelected);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    table_->installEventFilter(this); // Ctrl+C copies whole records, not one cell

    auto* top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(filter_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(export_);
    buttons->addWidget(copy_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 3);
    layout->addWidget(detailsLabel);
    layout->addWidget(details_, 1);
    layout->addLayout(buttons);
    setTabOrder(filter_, table_);
    setTabOrder(table_, details_);
    setTabOrder(details_, export_);
    setTabOrder(export_, copy_);
    setTabOrder(copy_, close);

    typing_.setSingleShot(true);
    typing_.setInterval(PauseMs);
    connect(filter_, &QLineEdit::textChanged, &typing_, qOverload<>(&QTimer::start));
    connect(&typing_, &QTimer::timeout, this, [this] { model_->setFilterText(filter_->text()); });

    // A column the history cannot order by keeps the order shown.
    connect(table_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
        [this](int column, Qt::SortOrder) {
            if (column != model_->sortColumn())
                table_->horizontalHeader()->setSortIndicator(model_->sortColumn(),
                    model_->order().descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        });
    connect(model_, &HistoryModel::modelReset, this, [this] {
        status_->setText(QStringLiteral("正在读取…"));
        details_->clear();
    });
    connect(model_, &HistoryModel::totalKnown, this, &HistoryWindow::showCount);
    connect(model_, &HistoryModel::failed, this, &HistoryWindow::showFailure);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &HistoryWindow::showSelected);
    // The model's first reading began before anything listened.
    if (location_)
        status_->setText(QStringLiteral("正在读取…"));
    else
        showFailure({});
    filter_->setFocus();
}

HistoryWindow::~HistoryWindow()
{
    exporting_.reset();
}

void HistoryWindow::setFilter(const QString& text)
{
    filter_->setText(text);
    typing_.stop();
    model_->setFilterText(text);
}

void HistoryWindow::refresh()
{
    model_->refresh();
}

void HistoryWindow::showCount()
{
    status_->setText(QStringLiteral("共 %1 条记录").arg(model_->total()));
}

void HistoryWindow::showFailure(const QString& why)
{
    status_->setText(location_ ? QStringLiteral("无法读取查询历史：%1").arg(lookup::Printable(why))
                               : QStringLiteral("查询历史已关闭"));
}

void HistoryWindow::showSelected()
{
    const QModelIndex current = table_->currentIndex();
    details_->setPlainText(
        current.isValid() ? RecordText(model_->record(current.row())) : QString());
}

void HistoryWindow::chooseExportFile()
{
    auto* dialog = new QFileDialog(
        this, QStringLiteral("导出CSV"), QDir::homePath(), QStringLiteral("CSV (*.csv)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->selectFile(QStringLiteral("kestrune-history.csv"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &HistoryWindow::exportTo);
    dialog->open();
}

void HistoryWindow::exportTo(const QString& path)
{
    if (exporting_)
        return;
    // A store of its own, so that filtering and scrolling go on meanwhile.
    exporting_ = std::make_unique<StoreThread>(location_);
    export_->setEnabled(false);
    status_->setText(QStringLiteral("正在导出…"));
    exporting_->post([this, filter = model_->filter(), order = model_->order(), path](
                         history::Store* store, const QString& cannot) {
        QString why = cannot;
        const auto written = store ? ExportCsv(*store, filter, order, path, &why) : std::nullopt;
        QMetaObject::invokeMethod(this, [this, written, why, path] {
            exporting_.reset();
            export_->setEnabled(true);
            status_->setText(written ? QStringLiteral("已导出 %1 条记录到 %2")
                                           .arg(*written)
                                           .arg(QDir::toNativeSeparators(path))
                                     : QStringLiteral("导出失败：%1").arg(why));
            emit exported(written.value_or(-1));
        });
    });
}

void HistoryWindow::copySelected()
{
    QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(),
        [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    // Without the byte-order mark, which is for files only.
    QByteArray csv = lookup::CsvStart().mid(3);
    for (const QModelIndex& row : rows)
        csv += lookup::CsvRow(model_->record(row.row()));
    QApplication::clipboard()->setText(QString::fromUtf8(csv));
    status_->setText(QStringLiteral("已复制 %1 条记录").arg(rows.size()));
}

// Down from the filter box goes into the table, as in a search field. The
// table's own Ctrl+C would copy the one cell that has the focus.
bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == filter_ && event->type() == QEvent::KeyPress && key->key() == Qt::Key_Down
        && model_->rowCount() > 0) {
        table_->setFocus();
        if (!table_->currentIndex().isValid())
            table_->selectRow(0);
        return true;
    }
    if (watched == table_ && key->matches(QKeySequence::Copy)) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            copySelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
