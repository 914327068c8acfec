#include "Columns.h"

#include "lookup/record/Fields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace history {

using namespace lookup;

namespace {

QString jsonText(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString jsonText(const QStringList& texts)
{
    return jsonText(QJsonArray::fromStringList(texts));
}

QStringList texts(const QString& json)
{
    QStringList list;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array())
        list << value.toString();
    return list;
}

} // namespace

Columns ToColumns(const Record& record)
{
    Columns columns;
    const QDateTime when = record.when.isValid() ? record.when : QDateTime::currentDateTimeUtc();
    columns.at = when.toMSecsSinceEpoch();
    columns.input = record.input;
    columns.kind = KindName(record.kind);
    columns.outcome = OutcomeName(record.outcome());
    columns.program = record.program;
    columns.host = record.host;
    QJsonObject fields;
    QStringList body {record.input};
    for (const auto* section : {&DeviceFields(), &SimFields()})
        for (const Field& field : *section)
            if (record.written(field.box)) {
                fields.insert(QLatin1String(field.key), record.text(field.box));
                body << record.text(field.box);
            }
    columns.fields = QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact));
    columns.messages = jsonText(record.messages);
    columns.opened = jsonText(record.opened);
    columns.extras = jsonText(record.extras);
    columns.changed = jsonText(record.changed);
    body << record.messages << record.opened;
    columns.body = body.join(QLatin1Char('\n'));
    return columns;
}

Record FromColumns(const Columns& columns)
{
    Record record;
    record.input = columns.input;
    record.kind = KindNamed(columns.kind).value_or(Kind::Invalid);
    record.when = QDateTime::fromMSecsSinceEpoch(columns.at, Qt::UTC);
    record.program = columns.program;
    record.host = columns.host;
    record.lookedUp = OutcomeNamed(columns.outcome) != Record::Outcome::Refused;
    const QJsonObject fields = QJsonDocument::fromJson(columns.fields.toUtf8()).object();
    // In the window's order, as a lookup writes them.
    for (const auto* section : {&DeviceFields(), &SimFields()})
        for (const Field& field : *section)
            if (const auto value = fields.find(QLatin1String(field.key)); value != fields.end())
                record.boxes.emplace_back(field.box, value->toString());
    record.messages = texts(columns.messages);
    record.opened = texts(columns.opened);
    record.extras = texts(columns.extras);
    record.changed = texts(columns.changed);
    return record;
}

QStringList ChangedFields(const Record& earlier, const Record& later)
{
    QStringList changed;
    for (const Field& field : FieldsOf(later.kind))
        if (earlier.text(field.box) != later.text(field.box))
            changed << QLatin1String(field.key);
    return changed;
}

} // namespace history
