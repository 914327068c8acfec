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

bool Resume::load(const history::Location& location, qint64 ageSeconds, QString* why)
{
    store_ = history::Open(location, why);
    if (!store_)
        return false;
    const auto inputs = store_->answeredSince(QDateTime::currentDateTimeUtc().addSecs(-ageSeconds));
    if (!inputs) {
        *why = store_->error();
        return false;
    }
    auto answered = std::make_shared<QSet<QString>>();
    answered->reserve(qsizetype(inputs->size()));
    for (const QString& input : *inputs)
        answered->insert(input);
    answered_ = std::move(answered);
    return true;
}

std::function<bool(const QString&)> Resume::answered() const
{
    return [answered = answered_](const QString& input) { return answered->contains(input); };
}

std::optional<lookup::Record> Resume::recall(const QString& input, QString* why)
{
    if (!store_) {
        *why = QStringLiteral("the history is not open");
        return std::nullopt;
    }
    const auto last = store_->last(input, true);
    if (!last) {
        *why = store_->error();
        return std::nullopt;
    }
    if (!*last) {
        *why = QStringLiteral("its record has gone from the history");
        return std::nullopt;
    }
    lookup::Record recalled = **last;
    recalled.fromHistory = true;
    return recalled;
}

} // namespace cli
