#include "LastLookupText.h"

#include "lookup/record/Csv.h"
#include "lookup/record/Fields.h"

#include <QSysInfo>

namespace lastlookup {

namespace {

const lookup::Field* fieldOf(const QString& key)
{
    for (const auto* fields : {&lookup::DeviceFields(), &lookup::SimFields()})
        for (const lookup::Field& field : *fields)
            if (key == QLatin1String(field.key))
                return &field;
    return nullptr;
}

// Who looked it up, when it was not this program on this machine: the desk
// beside, or a batch.
QString where(const lookup::Record& record)
{
    QStringList who;
    if (!record.host.isEmpty() && record.host != QSysInfo::machineHostName())
        who << lookup::Printable(record.host);
    if (record.program == QLatin1String("kestrune-cli"))
        who << QStringLiteral("命令行");
    return who.isEmpty() ? QString()
                         : QStringLiteral("（%1）").arg(who.join(QStringLiteral(" · ")));
}

QString head(const lookup::Record& record)
{
    return QStringLiteral("上次查询 %1%2").arg(When(record), where(record));
}

QString value(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("（空）") : lookup::Printable(text);
}

} // namespace

QString When(const lookup::Record& record)
{
    return record.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString OutcomeWords(lookup::Record::Outcome outcome)
{
    using Outcome = lookup::Record::Outcome;
    switch (outcome) {
    case Outcome::Answered: return QStringLiteral("有结果");
    case Outcome::InvalidAtSite: return QStringLiteral("网站称号码无效");
    case Outcome::NoAnswer: return QStringLiteral("网站无应答");
    case Outcome::Refused: return QStringLiteral("号码有误，未查询");
    }
    return {};
}

QString FieldName(const QString& key)
{
    const lookup::Field* field = fieldOf(key);
    if (!field)
        return key;
    QString label = field->label;
    while (label.endsWith(QLatin1Char(':')) || label.endsWith(QChar(0xFF1A)))
        label.chop(1);
    return label;
}

QString Before(const std::optional<lookup::Record>& last, bool complete)
{
    if (!last)
        return complete ? QStringLiteral("此号码尚无查询记录") : QString();
    QString text = head(*last) + QStringLiteral("：") + OutcomeWords(last->outcome());
    if (!last->changed.isEmpty()) {
        QStringList names;
        for (const QString& key : last->changed)
            names << FieldName(key);
        text += QStringLiteral("，当时有变：") + names.join(QStringLiteral("、"));
    }
    return text;
}

QString After(const lookup::Record& now, const std::optional<lookup::Record>& previous,
    const std::optional<lookup::Record>& previousAnswered)
{
    if (!previous)
        return QStringLiteral("首次查询此号码，已记入查询历史");
    const auto outcome = now.outcome();
    if (outcome != lookup::Record::Outcome::Answered)
        return head(*previous) + QStringLiteral("：本次") + OutcomeWords(outcome);
    if (!previousAnswered)
        return head(*previous) + QStringLiteral("：此前无结果，本次有结果");
    if (now.changed.isEmpty())
        return head(*previous) + QStringLiteral("：无变化");
    QStringList changes;
    for (const QString& key : now.changed) {
        const lookup::Field* field = fieldOf(key);
        if (!field)
            continue;
        changes << QStringLiteral("%1 %2→%3")
                       .arg(FieldName(key), value(previousAnswered->text(field->box)),
                           value(now.text(field->box)));
    }
    return head(*previous) + QStringLiteral("：") + changes.join(QStringLiteral("，"));
}

QString NotKept(const QString& why)
{
    return QStringLiteral("查询历史未能保存：%1").arg(lookup::Printable(why));
}

} // namespace lastlookup
