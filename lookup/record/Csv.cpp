#include "Csv.h"

#include "Fields.h"

#include <QStringList>

namespace lookup {

namespace {

// Marks, embeddings, overrides and isolates that turn text around on screen:
// a site's value could show another value than the one it holds.
bool isBidiControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

// A cell a spreadsheet program would run as a formula starts with an
// apostrophe, which it shows the text behind.
QString csvCell(const QString& text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const QString cell
        = !text.isEmpty() && formulaStarts.contains(text.front()) ? QLatin1Char('\'') + text : text;
    if (!cell.contains(QLatin1Char('"')) && !cell.contains(QLatin1Char(','))
        && !cell.contains(QLatin1Char('\n')) && !cell.contains(QLatin1Char('\r')))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvRow(const QStringList& cells)
{
    QStringList quoted;
    for (const QString& cell : cells)
        quoted << csvCell(cell);
    return (quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
}

// Every identifier has the same columns: the device boxes, then the SIM card
// boxes; a kind leaves the other's empty.
QStringList csvHeader(QStringList cells)
{
    cells << QStringLiteral("input") << QStringLiteral("kind");
    for (const auto* fields : {&DeviceFields(), &SimFields()})
        for (const Field& field : *fields)
            cells << QLatin1String(field.key);
    cells << QStringLiteral("messages") << QStringLiteral("opened");
    for (const Extra& extra : Extras())
        cells << QLatin1String(extra.key);
    // The history's: the fields that changed since the last answer (their
    // keys), and whether the row was printed from the history.
    cells << QStringLiteral("changed") << QStringLiteral("from_history");
    return cells;
}

// Several messages or pages share a cell, one a line.
QStringList csv(const Record& record, QStringList cells)
{
    auto lines = [](const QStringList& texts) {
        QStringList shown;
        for (const QString& text : texts)
            shown << Printable(text);
        return shown.join(QLatin1Char('\n'));
    };
    cells << Printable(record.input) << KindName(record.kind);
    for (const auto* fields : {&DeviceFields(), &SimFields()})
        for (const Field& field : *fields)
            cells << Printable(record.text(field.box));
    cells << lines(record.messages) << lines(record.opened);
    for (size_t i = 0; i < Extras().size(); ++i)
        cells << Printable(record.extras.value(qsizetype(i)));
    cells << record.changed.join(QLatin1Char(' '))
          << (record.fromHistory ? QStringLiteral("yes") : QString());
    return cells;
}

} // namespace

// For the text form and the CSV form alike, which people look at with `cat`.
QString Printable(QString text)
{
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || isBidiControl(c.unicode()))
            c = QChar::ReplacementCharacter;
    return text;
}

QByteArray CsvStart()
{
    return QByteArrayLiteral("\xEF\xBB\xBF") + csvRow(csvHeader({}));
}

QByteArray CsvRow(const Record& record)
{
    return csvRow(csv(record, {}));
}

QByteArray CsvHistoryStart()
{
    return QByteArrayLiteral("\xEF\xBB\xBF")
        + csvRow(csvHeader({QStringLiteral("when"), QStringLiteral("program"),
            QStringLiteral("host"), QStringLiteral("outcome")}));
}

QByteArray CsvHistoryRow(const Record& record)
{
    return csvRow(csv(record,
        {WhenText(record.when), Printable(record.program), Printable(record.host),
            OutcomeName(record.outcome())}));
}

} // namespace lookup
