// kestrune-cli: the window's lookups from a terminal, one or a thousand at a
// time. QtCore only, so that it starts fast and runs where there is no desktop.
#include "Arguments.h"
#include "Batch.h"
#include "ExitStatus.h"
#include "HistoryCommand.h"
#include "HistoryKeeper.h"
#include "Input.h"
#include "Interrupt.h"
#include "Log.h"
#include "Options.h"
#include "Output.h"
#include "Progress.h"
#include "Resume.h"
#include "StandardOutput.h"
#include "SystemBrowser.h"
#include "Terminal.h"
#include "history/Where.h"
#include "lookup/Sites.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

using namespace cli; // its exit statuses

// Set once a write has failed (a full disk, a reader that has gone): that is
// said once, and nothing more is written or looked up.
bool writeFailed = false;

bool write(const QByteArray& bytes)
{
    if (writeFailed)
        return false;
    if (const auto why = cli::WriteStandardOutput(bytes)) {
        Say(QStringLiteral("cannot write the results: %1").arg(*why));
        writeFailed = true;
    }
    return !writeFailed;
}

void openInBrowser(const QString& address)
{
    if (!cli::OpenInSystemBrowser(address))
        Say(QStringLiteral("could not open %1 in the system browser").arg(address));
}

} // namespace

int main(int argc, char* argv[])
{
    cli::PrepareStandardStreams();
    QCoreApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("kestrune-cli"));
    application.setApplicationVersion(QStringLiteral(KESTRUNE_VERSION));

    if (application.arguments().value(1) == QLatin1String("history"))
        return cli::RunHistoryCommand(application.arguments(), cli::StandardOutputIsTerminal());

    QString error;
    const auto options
        = cli::ParseOptions(application.arguments(), cli::StandardOutputIsTerminal(), error);
    if (!options) {
        Say(error + QStringLiteral("\nTry 'kestrune-cli --help'."));
        return ExitUsage;
    }
    if (options->help)
        return write(cli::HelpText().toUtf8()) ? ExitAnswered : ExitNotWritten;
    if (options->version)
        return write(QByteArrayLiteral("kestrune-cli " KESTRUNE_VERSION "\n")) ? ExitAnswered
                                                                               : ExitNotWritten;
    cli::LogAsTheProgram(options->quiet);

    if (!options->settings.isEmpty())
        lookup::Sites::useSettingsFile(options->settings);
    // Now rather than in the middle of the first lookup, and with --offline too.
    if (!lookup::Sites::readSettingsFile()) {
        Say(QStringLiteral("cannot read the settings file %1: %2")
                .arg(options->settings,
                    cli::WhyUnreadable(options->settings)
                        .value_or(QStringLiteral("not a settings file"))));
        return ExitUsage;
    }

    auto input = std::make_unique<cli::Input>(
        options->identifiers, options->files, cli::ArgumentsNotText(argc, argv));
    if (!input->open(error)) {
        Say(error);
        return ExitUsage;
    }
    // Stays valid as long as the batch that reads it, or to the end offline.
    const cli::Input* const reading = input.get();

    // The history: kept by every lookup, read by --resume; never by --offline.
    std::unique_ptr<cli::HistoryKeeper> keeper;
    std::optional<history::Location> location;
    cli::Resume resume;
    bool resuming = false;
    if (!options->offline && !options->noHistory) {
        QStringList warnings;
        location = history::ConfiguredLocation(&warnings);
        for (const QString& warning : warnings)
            Say(warning);
        if (location)
            keeper = std::make_unique<cli::HistoryKeeper>(*location);
    }
    if (options->resume) {
        if (!keeper) {
            Say(QStringLiteral("--resume: the history is turned off (KESTRUNE_HISTORY or the "
                               "settings' [history] keep)"));
            return ExitUsage;
        }
        resuming = resume.load(*location, *options->resume, &error);
        if (!resuming)
            Say(QStringLiteral("cannot resume, every identifier is asked: %1").arg(error));
    }

    if (!write(cli::OutputStart(options->format)))
        return ExitNotWritten;
    bool anyFailed = false;
    bool anyIncomplete = false;
    auto deliver = [&](lookup::Record record) {
        if (writeFailed)
            return false;
        if (keeper)
            if (const QString notice = keeper->takeNotice(); !notice.isEmpty())
                Say(notice);
        // Taken from the history: read its record now. Should the history
        // have gone meanwhile, the identifier is asked after all.
        if (record.fromHistory) {
            QString why;
            if (auto recalled = resume.recall(record.input, &why)) {
                record = std::move(*recalled);
            } else {
                Say(QStringLiteral("%1: cannot read it from the history (%2): asked again")
                        .arg(record.input, why));
                record = cli::LookUp({record.input, {}}, false);
                keeper->keep(record);
            }
        }
        anyFailed = anyFailed || record.failed();
        anyIncomplete = anyIncomplete || record.incomplete();
        if (!record.complaint.isEmpty()) {
            Say(record.complaint);
            return true;
        }
        if (!write(cli::OutputRecord(options->format, record)))
            return false;
        if (options->open)
            for (const QString& address : record.opened)
                openInBrowser(address);
        return true;
    };

    // The worst that happened decides, a usage error first.
    auto exitStatus = [&] {
        if (reading->readFailed())
            return ExitUsage;
        if (anyFailed)
            return ExitFailed;
        return anyIncomplete ? ExitIncomplete : ExitAnswered;
    };

    cli::Progress progress(
        !options->quiet && (!options->files.isEmpty() || options->identifiers.size() > 1));
    // Nothing to wait for but the input: no threads, no event loop.
    if (options->offline) {
        int done = 0;
        int failed = 0;
        while (const auto line = input->next()) {
            const lookup::Record record = cli::LookUp(*line, true);
            progress.clear();
            if (!deliver(record))
                return ExitNotWritten;
            failed += record.failed() ? 1 : 0;
            ++done;
            progress.update(done, failed, done, false);
        }
        progress.update(done, failed, done, true);
        progress.clear();
        return exitStatus();
    }

    cli::Batch batch(std::move(input), options->jobs, [&](const lookup::Record& record) {
        progress.clear();
        return deliver(record);
    });
    if (keeper)
        batch.useHistory(resuming ? resume.answered() : nullptr,
            [&keeper](lookup::Record& record) { keeper->keep(record); });
    bool interrupted = false;
    cli::Interrupt interrupt;
    QObject::connect(&interrupt, &cli::Interrupt::requested, &batch, [&] {
        progress.clear();
        Say(QStringLiteral("interrupted: stopping the lookups in flight"));
        interrupted = true;
        batch.stop();
    });
    QObject::connect(&batch, &cli::Batch::progressed, &progress, [&] {
        const cli::Batch::Count count = batch.count();
        progress.update(count.completed, count.failed, count.read, count.inputEnded);
    });
    QObject::connect(&batch, &cli::Batch::finished, &application, [&] {
        progress.clear();
        bool historyNotKept = false;
        if (keeper) {
            QString why;
            const std::vector<lookup::Record> unwritten = keeper->finish(&why);
            if (const QString notice = keeper->takeNotice(); !notice.isEmpty())
                Say(notice);
            if (!unwritten.empty()) {
                QStringList inputs;
                for (const lookup::Record& record : unwritten)
                    inputs << record.input;
                Say(QStringLiteral("%1 lookups are not kept in the history (%2): %3")
                        .arg(unwritten.size())
                        .arg(why, inputs.join(QStringLiteral(", "))));
                historyNotKept = true;
            }
        }
        if (writeFailed) {
            application.exit(ExitNotWritten);
        } else if (interrupted) {
            Say(QStringLiteral("interrupted after %1 lookups").arg(batch.count().completed));
            application.exit(ExitInterrupted);
        } else if (historyNotKept) {
            application.exit(ExitHistoryNotKept);
        } else {
            application.exit(exitStatus());
        }
    });
    batch.start();
    return application.exec();
}
