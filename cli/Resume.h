#pragma once

#include "HistoryKeeper.h"
#include "lookup/record/Record.h"

#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace cli {

// How old an answer --resume still takes: a number and a unit, s, m, h or d
// ("90m", "24h", "7d"). Nothing when the text is none.
std::optional<qint64> ParseAge(const QString& text); // seconds

constexpr qint64 DefaultResumeAge = 24 * 60 * 60;

// kestrune-cli --resume: the identifiers with an answered record younger than
// the age are printed from the history instead of asked again. Which ones
// they are is read once, at the start (one query, not one per line), so that
// a batch of a hundred thousand lines gets past those already answered in
// moments.
class Resume {
public:
    // False, and `why`, when the history cannot be read.
    bool load(HistoryKeeper& keeper, qint64 ageSeconds, QString* why);

    // For Batch::useHistory: whether a line's identifier is answered. Safe on
    // any thread once load() has returned; it outlives the Resume.
    std::function<bool(const QString&)> answered() const;

    // On the main thread: the answered record to print for such a line,
    // marked as taken from the history.
    std::optional<lookup::Record> recall(HistoryKeeper& keeper, const QString& input, QString* why);

private:
    std::shared_ptr<const QSet<QString>> answered_ = std::make_shared<QSet<QString>>();
};

} // namespace cli
