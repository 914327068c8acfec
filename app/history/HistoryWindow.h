#pragma once

#include "history/Store.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <optional>

class HistoryModel;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class StoreThread;

// Every record kept, newest first: filtered as the user types, sorted by a
// click on a column's header, the record selected shown in full below;
// export of what the filter takes to CSV, copy of the rows selected.
// It opens at once whatever the history holds: rows come a page at a time,
// read on a thread of the window's own.
class HistoryWindow : public QDialog {
    Q_OBJECT

public:
    HistoryWindow(std::optional<history::Location> location, QWidget* parent);
    ~HistoryWindow() override;

    void setFilter(const QString& text);
    // Reads the records again: one has been kept since.
    void refresh();

    // What the export button asks for once a file is chosen.
    void exportTo(const QString& path);
    // The rows selected, as CSV with its header row, to the clipboard.
    void copySelected();

    HistoryModel* model() const { return model_; }
    QLineEdit* filterBox() const { return filter_; }
    QTableView* table() const { return table_; }
    QPlainTextEdit* details() const { return details_; }
    QLabel* status() const { return status_; }

signals:
    // The export has ended: how many records went, or -1 and the status says why.
    void exported(qint64 records);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseExportFile();
    void showCount();
    void showFailure(const QString& why);
    void showSelected();

    std::optional<history::Location> location_;
    HistoryModel* model_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* table_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* copy_ = nullptr;
    QTimer typing_;
    std::unique_ptr<StoreThread> exporting_;
};
