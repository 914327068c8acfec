#include "Resume.h"

#include <QRegularExpression>

namespace cli {

std::optional<qint64> ParseAge(const QString& text)
{
    static const QRegularExpression age(QStringLiteral("^(\\d{1,9})([smhd])$"));
    const auto match = age.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 number = match.captured(1).toLongLong();
    switch (match.captured(2).front().unicode()) {
    case 's': return number;
    case 'm': return number * 60;
    case 'h': return number * 60 * 60;
    default: return number * 24 * 60 * 60;
    }
}

bool Resume::load(HistoryKeeper& keeper, qint64 ageSeconds, QString* why)
{
    const QDateTime since = QDateTime::currentDateTimeUtc().addSecs(-ageSeconds);
    bool loaded = false;
    auto answered = std::make_shared<QSet<QString>>();
    keeper.call([&](history::Store* store, const QString& failed) {
        if (!store) {
            *why = failed;
            return;
        }
        const auto inputs = store->answeredSince(since);
        if (!inputs) {
            *why = store->error();
            return;
        }
        answered->reserve(qsizetype(inputs->size()));
        for (const QString& input : *inputs)
            answered->insert(input);
        loaded = true;
    });
    answered_ = std::move(answered);
    return loaded;
}

std::function<bool(const QString&)> Resume::answered() const
{
    return [answered = answered_](const QString& input) { return answered->contains(input); };
}

std::optional<lookup::Record> Resume::recall(
    HistoryKeeper& keeper, const QString& input, QString* why)
{
    std::optional<lookup::Record> recalled;
    keeper.call([&](history::Store* store, const QString& failed) {
        if (!store) {
            *why = failed;
            return;
        }
        const auto last = store->last(input, true);
        if (!last)
            *why = store->error();
        else if (!*last)
            *why = QStringLiteral("its record has gone from the history");
        else
            recalled = **last;
    });
    if (recalled)
        recalled->fromHistory = true;
    return recalled;
}

} // namespace cli
