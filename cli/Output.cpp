#include "Output.h"

#include "lookup/record/Csv.h"
#include "lookup/record/Fields.h"
#include "lookup/record/Values.h"

#include <QStringList>

namespace cli {

using namespace lookup;

namespace {

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

// The window's labels of the fields that changed, without their colons.
QString changedLabels(const Record& record)
{
    QStringList labels;
    for (const Field& field : FieldsOf(record.kind))
        if (record.changed.contains(QLatin1String(field.key)))
            labels << QString(field.label).remove(QLatin1Char(':'));
    return labels.join(QStringLiteral("、"));
}

QByteArray text(const Record& record)
{
    constexpr int LabelColumns = 20;
    QString out = Printable(record.input) + QStringLiteral("  [") + kindLabel(record.kind)
        + QStringLiteral("]\n");
    auto line = [&](const QString& label, const QString& value) {
        out += QStringLiteral("  ") + label;
        if (!value.isEmpty())
            out += QString(qMax(1, LabelColumns - columns(label)), QLatin1Char(' '))
                + Printable(value);
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
    for (const Request request : record.unanswered)
        line(QStringLiteral("无应答:"), RequestName(request));
    if (!record.changed.isEmpty())
        line(QStringLiteral("上次以来变化:"), changedLabels(record));
    if (record.fromHistory)
        line(QStringLiteral("取自历史:"), WhenText(record.when));
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

QString jsonValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType: return QStringLiteral("null");
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::LongLong: return QString::number(value.toLongLong());
    case QMetaType::QDate: return jsonString(value.toDate().toString(Qt::ISODate));
    default: return jsonString(value.toString());
    }
}

// Keys in a fixed order, so that a line reads the same every time.
QByteArray json(const Record& record)
{
    QStringList fields;
    for (const Field& field : FieldsOf(record.kind))
        if (record.written(field.box))
            fields << jsonString(QLatin1String(field.key)) + QLatin1Char(':')
                    + jsonString(record.text(field.box));
    QStringList values;
    for (const Value& value : ValuesOf(record))
        values << jsonString(QLatin1String(value.key)) + QLatin1Char(':') + jsonValue(value.value);
    QStringList unanswered;
    for (const Request request : record.unanswered)
        unanswered << RequestName(request);
    QString out = QStringLiteral("{\"input\":") + jsonString(record.input)
        + QStringLiteral(",\"kind\":") + jsonString(KindName(record.kind))
        + QStringLiteral(",\"fields\":{") + fields.join(QLatin1Char(','))
        + QStringLiteral("},\"values\":{") + values.join(QLatin1Char(','))
        + QStringLiteral("},\"messages\":") + jsonArray(record.messages)
        + QStringLiteral(",\"opened\":") + jsonArray(record.opened)
        + QStringLiteral(",\"unanswered\":") + jsonArray(unanswered)
        + QStringLiteral(",\"changed\":") + jsonArray(record.changed)
        + QStringLiteral(",\"from_history\":")
        + (record.fromHistory ? QStringLiteral("true") : QStringLiteral("false"));
    // What is printed from the history says when it was looked up.
    if (record.fromHistory)
        out += QStringLiteral(",\"when\":") + jsonString(WhenText(record.when));
    for (size_t i = 0; i < Extras().size(); ++i)
        out += QLatin1Char(',') + jsonString(QLatin1String(Extras()[i].key)) + QLatin1Char(':')
            + jsonString(record.extras.value(qsizetype(i)));
    return (out + QStringLiteral("}\n")).toUtf8();
}

} // namespace

QByteArray OutputStart(Format format)
{
    if (format != Format::Csv)
        return {};
    return CsvStart();
}

QByteArray OutputRecord(Format format, const Record& record)
{
    switch (format) {
    case Format::Text: return text(record);
    case Format::Json: return json(record);
    case Format::Csv: return CsvRow(record);
    }
    return {};
}

std::optional<Format> FormatNamed(const QString& name, QString* error)
{
    if (name == QLatin1String("text"))
        return Format::Text;
    if (name == QLatin1String("json"))
        return Format::Json;
    if (name == QLatin1String("csv"))
        return Format::Csv;
    *error = QStringLiteral("unknown format \"%1\" (text, json or csv)").arg(name);
    return std::nullopt;
}

} // namespace cli
