#include "CsvExport.h"

#include "lookup/record/Csv.h"

#include <QSaveFile>

namespace {

constexpr qint64 PageRows = 2000;

} // namespace

std::optional<qint64> ExportCsv(history::Store& store, const history::Filter& filter,
    const history::Order& order, const QString& path, QString* why)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    file.write(lookup::CsvStart());
    // What is kept while the export runs stays out.
    const history::Filter upToNow = history::UpToNow(filter);
    qint64 written = 0;
    for (;;) {
        const auto page = store.find(upToNow, order, written, PageRows);
        if (!page) {
            *why = store.error();
            file.cancelWriting();
            return std::nullopt;
        }
        for (const history::Kept& kept : *page)
            file.write(lookup::CsvRow(kept.record));
        written += qint64(page->size());
        if (qint64(page->size()) < PageRows)
            break;
    }
    if (!file.commit()) {
        *why = file.errorString();
        return std::nullopt;
    }
    return written;
}
