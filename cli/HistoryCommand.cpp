#include "HistoryCommand.h"

#include "ExitStatus.h"
#include "Log.h"
#include "Output.h"
#include "StandardOutput.h"
#include "history/Where.h"
#include "lookup/Sites.h"
#include "lookup/record/Csv.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <tuple>

namespace cli {

using lookup::Record;

namespace {

// Records read at a time: the output starts at once, and a long history
// never sits in memory whole.
constexpr qint64 Page = 500;

// A day (local midnight; with `dayAfter`, the midnight that ends it), or a
// moment in ISO 8601, local time unless it says its offset.
std::optional<QDateTime> parseDate(const QString& text, bool dayAfter)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid())
        return QDateTime(dayAfter ? day.addDays(1) : day, QTime(0, 0));
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    if (moment.isValid())
        return moment.toUTC();
    return std::nullopt;
}

QByteArray historyJson(const history::Kept& kept)
{
    const Record& record = kept.record;
    const QJsonObject where {{"id", kept.id}, {"when", lookup::WhenText(record.when)},
        {"program", record.program}, {"host", record.host},
        {"outcome", lookup::OutcomeName(record.outcome())}};
    QByteArray line = QJsonDocument(where).toJson(QJsonDocument::Compact);
    line.chop(1); // its closing brace: the lookup's keys follow
    return line + ',' + OutputRecord(Format::Json, record).mid(1);
}

QByteArray historyText(const Record& record)
{
    const QString where
        = QStringLiteral("%1  %2 @ %3  %4\n")
              .arg(lookup::WhenText(record.when), lookup::Printable(record.program),
                  lookup::Printable(record.host), lookup::OutcomeName(record.outcome()));
    return where.toUtf8() + OutputRecord(Format::Text, record);
}

QString helpText()
{
    return QStringLiteral(
        "Usage: kestrune-cli history [TEXT] [options]\n"
        "       kestrune-cli history --forget IDENTIFIER\n"
        "       kestrune-cli history --forget-before DATE\n"
        "\n"
        "Prints the records of the lookup history, newest first: those whose\n"
        "identifier or any text (a field, a message, a page) holds TEXT, in any case.\n"
        "\n"
        "Options:\n"
        "      --since DATE         from that day (YYYY-MM-DD) or moment (ISO 8601) on\n"
        "      --until DATE         up to the end of that day, or up to that moment\n"
        "      --kind KIND          serial, imei, iccid or invalid\n"
        "      --format FORMAT      text (the default on a terminal), json or csv\n"
        "      --forget IDENTIFIER  delete every record of the identifier\n"
        "      --forget-before DATE delete every record from before that day or moment\n"
        "      --settings FILE      the settings file to read\n"
        "  -h, --help               this text\n"
        "\n"
        "Exit status: 0 when done, 2 for a usage error, 3 when the output could not\n"
        "be written, 4 when the history cannot be read or changed.\n");
}

} // namespace

int RunHistoryCommand(const QStringList& arguments, bool stdoutIsTerminal)
{
    QStringList rest = arguments;
    rest.removeAt(1); // "history"
    QCommandLineParser parser;
    const QCommandLineOption since("since", {}, "DATE");
    const QCommandLineOption until("until", {}, "DATE");
    const QCommandLineOption kind("kind", {}, "KIND");
    const QCommandLineOption format("format", {}, "FORMAT");
    const QCommandLineOption forget("forget", {}, "IDENTIFIER");
    const QCommandLineOption forgetBefore("forget-before", {}, "DATE");
    const QCommandLineOption settings("settings", {}, "FILE");
    const QCommandLineOption help(QStringList {"h", "help"});
    parser.addOptions({since, until, kind, format, forget, forgetBefore, settings, help});
    auto usage = [](const QString& error) {
        Say(error + QStringLiteral("\nTry 'kestrune-cli history --help'."));
        return ExitUsage;
    };
    if (!parser.parse(rest))
        return usage(parser.errorText());
    if (parser.isSet(help))
        return WriteStandardOutput(helpText().toUtf8()) ? ExitNotWritten : ExitDone;

    history::Filter filter;
    filter.text = parser.positionalArguments().join(QLatin1Char(' '));
    for (const auto& [option, bound, dayAfter] :
        {std::tuple {&since, &filter.since, false}, std::tuple {&until, &filter.until, true}}) {
        if (!parser.isSet(*option))
            continue;
        const auto moment = parseDate(parser.value(*option), dayAfter);
        if (!moment)
            return usage(QStringLiteral("--%1 takes a day (2026-12-08) or a moment "
                                        "(2026-12-08T09:30, 2026-12-08T01:30Z)")
                             .arg(option->names().constFirst()));
        *bound = *moment;
    }
    if (parser.isSet(kind)) {
        filter.kind = lookup::KindNamed(parser.value(kind));
        if (!filter.kind)
            return usage(QStringLiteral("--kind takes serial, imei, iccid or invalid"));
    }
    Format shown = stdoutIsTerminal ? Format::Text : Format::Json;
    if (parser.isSet(format)) {
        QString error;
        const auto named = FormatNamed(parser.value(format), &error);
        if (!named)
            return usage(error);
        shown = *named;
    }
    std::optional<QDateTime> before;
    if (parser.isSet(forgetBefore)) {
        before = parseDate(parser.value(forgetBefore), false);
        if (!before)
            return usage(QStringLiteral("--forget-before takes a day (2026-12-08) or a moment"));
    }
    const bool forgetting = parser.isSet(forget) || before;
    if (forgetting
        && (!filter.text.isEmpty() || filter.since.isValid() || filter.until.isValid()
            || filter.kind))
        return usage(
            QStringLiteral("--forget and --forget-before search nothing: give them alone"));

    if (parser.isSet(settings)) {
        lookup::Sites::useSettingsFile(parser.value(settings));
        if (!lookup::Sites::readSettingsFile()) {
            Say(QStringLiteral("cannot read the settings file %1").arg(parser.value(settings)));
            return ExitUsage;
        }
    }
    QStringList warnings;
    const auto location = history::ConfiguredLocation(&warnings, true);
    for (const QString& warning : warnings)
        Say(warning);
    QString why;
    const auto store = history::Open(*location, &why);
    if (!store) {
        Say(why);
        return ExitNoHistory;
    }

    if (forgetting) {
        QString said;
        if (parser.isSet(forget)) {
            const auto gone = store->forget(parser.value(forget));
            if (!gone) {
                Say(store->error());
                return ExitNoHistory;
            }
            said += QStringLiteral("%1 records of %2 forgotten\n")
                        .arg(*gone)
                        .arg(parser.value(forget));
        }
        if (before) {
            const auto gone = store->forgetBefore(*before);
            if (!gone) {
                Say(store->error());
                return ExitNoHistory;
            }
            said += QStringLiteral("%1 records from before %2 forgotten\n")
                        .arg(*gone)
                        .arg(lookup::WhenText(*before));
        }
        return WriteStandardOutput(said.toUtf8()) ? ExitNotWritten : ExitDone;
    }

    filter = history::UpToNow(filter);
    if (shown == Format::Csv && WriteStandardOutput(lookup::CsvHistoryStart()))
        return ExitNotWritten;
    for (qint64 offset = 0;; offset += Page) {
        const auto found = store->find(filter, {}, offset, Page);
        if (!found) {
            Say(store->error());
            return ExitNoHistory;
        }
        QByteArray out;
        for (const history::Kept& kept : *found) {
            switch (shown) {
            case Format::Text: out += historyText(kept.record); break;
            case Format::Json: out += historyJson(kept); break;
            case Format::Csv: out += lookup::CsvHistoryRow(kept.record); break;
            }
        }
        if (const auto failed = WriteStandardOutput(out)) {
            Say(QStringLiteral("cannot write the records: %1").arg(*failed));
            return ExitNotWritten;
        }
        if (qint64(found->size()) < Page)
            return ExitDone;
    }
}

} // namespace cli
