#include "RecordText.h"

#include "LastLookupText.h"
#include "lookup/record/Csv.h"
#include "lookup/record/Fields.h"

namespace {

QString line(const QString& label, const QString& text)
{
    return label + QLatin1Char(' ') + lookup::Printable(text) + QLatin1Char('\n');
}

} // namespace

QString RecordText(const lookup::Record& record)
{
    QString text = line(QStringLiteral("号码:"), record.input);
    text += line(QStringLiteral("类型:"), lookup::KindName(record.kind));
    text += line(QStringLiteral("时间:"), lastlookup::When(record));
    text += line(QStringLiteral("程序:"), record.program);
    text += line(QStringLiteral("主机:"), record.host);
    text += line(QStringLiteral("结果:"), lastlookup::OutcomeWords(record.outcome()));
    for (const lookup::Field& field : lookup::FieldsOf(record.kind))
        if (record.written(field.box))
            text += line(field.label, record.text(field.box));
    for (const QString& message : record.messages)
        text += line(QStringLiteral("提示:"), message);
    for (const QString& page : record.opened)
        text += line(QStringLiteral("打开的网页:"), page);
    for (size_t i = 0; i < lookup::Extras().size(); ++i)
        if (!record.extras.value(qsizetype(i)).isEmpty())
            text += line(lookup::Extras()[i].label, record.extras.value(qsizetype(i)));
    if (!record.changed.isEmpty()) {
        QStringList names;
        for (const QString& key : record.changed)
            names << lastlookup::FieldName(key);
        text += line(QStringLiteral("有变化的项:"), names.join(QStringLiteral("、")));
    }
    return text;
}
