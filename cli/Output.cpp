#include "Output.h"

#include "Fields.h"

#include <QStringList>

namespace cli {

namespace {

// Marks, embeddings, overrides and isolates that turn text around on screen:
// a site's value could show another value than the one it holds.
bool isBidiControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

// What a terminal would take as a command (escape sequences, a carriage
// return, C1 controls such as CSI) or what would turn text around is shown as
// a replacement character: the text comes from files and from sites. For the
// text form and the CSV form alike, which people look at with `cat`.
QString printable(QString text)
{
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || isBidiControl(c.unicode()))
            c = QChar::ReplacementCharacter;
    return text;
}

// ---- text

// Columns a terminal gives the text: Chinese characters take two.
int columns(const QString& text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 && !c.isLowSurrogate() ? 2 : 1;
    return width;
}

QString kindLabel(Kind kind)
{
    switch (kind) {
    case Kind::Serial: return QStringLiteral("序列号");
    case Kind::Imei: return QStringLiteral("IMEI");
    case Kind::Iccid: return QStringLiteral("ICCID");
    case Kind::Invalid: break;
    }
    return QStringLiteral("无效");
}

QByteArray text(const Record& record)
{
    constexpr int LabelColumns = 20;
    QString out = printable(record.input) + QStringLiteral("  [") + kindLabel(record.kind)
        + QStringLiteral("]\n");
    auto line = [&](const QString& label, const QString& value) {
        out += QStringLiteral("  ") + label;
        if (!value.isEmpty())
            out += QString(qMax(1, LabelColumns - columns(label)), QLatin1Char(' '))
                + printable(value);
        out += QLatin1Char('\n');
    };
    // Every box of the lookup's section, as the window shows them, empty or not.
    if (record.lookedUp)
        for (const Field& field : FieldsOf(record.kind))
            line(field.label, record.text(field.box));
    for (size_t i = 0; i < Extras().size(); ++i)
        line(Extras()[i].label, record.extras.value(qsizetype(i)));
    for (const QString& message : record.messages)
        line(QStringLiteral("提示:"), message);
    for (const QString& address : record.opened)
        line(QStringLiteral("打开网页:"), address);
    return (out + QLatin1Char('\n')).toUtf8();
}

// ---- json

QString jsonString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString jsonArray(const QStringList& texts)
{
    QStringList items;
    for (const QString& text : texts)
        items << jsonString(text);
    return QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
}

// Keys in a fixed order, so that a line reads the same every time.
QByteArray json(const Record& record)
{
    QStringList fields;
    for (const Field& field : FieldsOf(record.kind))
        if (record.written(field.box))
            fields << jsonString(QLatin1String(field.key)) + QLatin1Char(':')
                    + jsonString(record.text(field.box));
    QString out = QStringLiteral("{\"input\":") + jsonString(record.input)
        + QStringLiteral(",\"kind\":") + jsonString(KindName(record.kind))
        + QStringLiteral(",\"fields\":{") + fields.join(QLatin1Char(','))
        + QStringLiteral("},\"messages\":") + jsonArray(record.messages)
        + QStringLiteral(",\"opened\":") + jsonArray(record.opened);
    for (size_t i = 0; i < Extras().size(); ++i)
        out += QLatin1Char(',') + jsonString(QLatin1String(Extras()[i].key)) + QLatin1Char(':')
            + jsonString(record.extras.value(qsizetype(i)));
    return (out + QStringLiteral("}\n")).toUtf8();
}

// ---- csv

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
QByteArray csvHeader()
{
    QStringList cells {QStringLiteral("input"), QStringLiteral("kind")};
    for (const auto* fields : {&DeviceFields(), &SimFields()})
        for (const Field& field : *fields)
            cells << QLatin1String(field.key);
    cells << QStringLiteral("messages") << QStringLiteral("opened");
    for (const Extra& extra : Extras())
        cells << QLatin1String(extra.key);
    return csvRow(cells);
}

// Several messages or pages share a cell, one a line.
QByteArray csv(const Record& record)
{
    auto lines = [](const QStringList& texts) {
        QStringList shown;
        for (const QString& text : texts)
            shown << printable(text);
        return shown.join(QLatin1Char('\n'));
    };
    QStringList cells {printable(record.input), KindName(record.kind)};
    for (const auto* fields : {&DeviceFields(), &SimFields()})
        for (const Field& field : *fields)
            cells << printable(record.text(field.box));
    cells << lines(record.messages) << lines(record.opened);
    for (size_t i = 0; i < Extras().size(); ++i)
        cells << printable(record.extras.value(qsizetype(i)));
    return csvRow(cells);
}

} // namespace

QByteArray OutputStart(Format format)
{
    if (format != Format::Csv)
        return {};
    // So that a spreadsheet program on Chinese Windows takes the file as UTF-8.
    return QByteArrayLiteral("\xEF\xBB\xBF") + csvHeader();
}

QByteArray OutputRecord(Format format, const Record& record)
{
    switch (format) {
    case Format::Text: return text(record);
    case Format::Json: return json(record);
    case Format::Csv: return csv(record);
    }
    return {};
}

} // namespace cli
