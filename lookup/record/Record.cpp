#include "Record.h"

#include "lookup/Messages.h"

#include <algorithm>

namespace lookup {

namespace {

// The lookups' words for "no site answered".
const QStringList NoAnswerMessages {DeviceNoAnswerMessage, SimNoAnswerMessage};

constexpr int IdOk = 1;

} // namespace

QString Record::text(Box box) const
{
    for (const auto& [written, text] : boxes)
        if (written == box)
            return text;
    return {};
}

bool Record::written(Box box) const
{
    return std::any_of(
        boxes.begin(), boxes.end(), [box](const auto& entry) { return entry.first == box; });
}

Record::Outcome Record::outcome() const
{
    if (kind == Kind::Invalid || !lookedUp)
        return Outcome::Refused;
    if (std::any_of(messages.begin(), messages.end(),
            [](const QString& message) { return NoAnswerMessages.contains(message); }))
        return Outcome::NoAnswer;
    if (messages.contains(InvalidNumberMessage) || messages.contains(SimInvalidMessage))
        return Outcome::InvalidAtSite;
    // A lookup cut short, or a page that held none of what the lookups look
    // for, wrote nothing: no site answered it.
    return boxes.empty() ? Outcome::NoAnswer : Outcome::Answered;
}

namespace {

const std::pair<Record::Outcome, const char*> OutcomeNames[] {
    {Record::Outcome::Answered, "answered"},
    {Record::Outcome::InvalidAtSite, "invalid"},
    {Record::Outcome::NoAnswer, "no_answer"},
    {Record::Outcome::Refused, "refused"},
};

} // namespace

QString OutcomeName(Record::Outcome outcome)
{
    for (const auto& [known, name] : OutcomeNames)
        if (known == outcome)
            return QLatin1String(name);
    return {};
}

std::optional<Record::Outcome> OutcomeNamed(const QString& name)
{
    for (const auto& [known, known_name] : OutcomeNames)
        if (name == QLatin1String(known_name))
            return known;
    return std::nullopt;
}

QString WhenText(const QDateTime& when)
{
    if (!when.isValid())
        return {};
    const QDateTime local = when.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

bool Record::failed() const
{
    if (kind == Kind::Invalid)
        return true;
    return std::any_of(messages.begin(), messages.end(),
        [](const QString& message) { return NoAnswerMessages.contains(message); });
}

void RecordingWindow::setText(Box box, const QString& text)
{
    for (auto& [written, old] : record_.boxes) {
        if (written == box) {
            old = text;
            return;
        }
    }
    record_.boxes.emplace_back(box, text);
}

int RecordingWindow::msgBox(const QString& prompt, int, const QString&)
{
    record_.messages << prompt;
    return IdOk;
}

void RecordingWindow::openInSystemBrowser(const QString& address)
{
    record_.opened << address;
}

} // namespace lookup
