// kestrune-cli: the window's lookups from a terminal, one or a thousand at a
// time. QtCore only, so that it starts fast and runs where there is no desktop.
#include "Batch.h"
#include "Identifiers.h"
#include "Interrupt.h"
#include "Options.h"
#include "Output.h"
#include "Progress.h"
#include "lookup/Sites.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int ExitAnswered = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitInterrupted = 130; // 128 + SIGINT, as shells report it

void say(const QString& text)
{
    std::fprintf(stderr, "kestrune-cli: %s\n", qUtf8Printable(text));
}

void write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    // A script reading the pipe sees each result as soon as it is there.
    std::fflush(stdout);
}

// Hands the address to the desktop's opener as an argument of its own: no
// shell ever reads it.
void openInBrowser(const QString& address)
{
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {address}))
        say(QStringLiteral("could not start xdg-open for %1").arg(address));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("kestrune-cli"));
    application.setApplicationVersion(QStringLiteral(KESTRUNE_VERSION));

    QString error;
    const auto options = cli::ParseOptions(application.arguments(), isatty(STDOUT_FILENO), error);
    if (!options) {
        say(error + QStringLiteral("\nTry 'kestrune-cli --help'."));
        return ExitUsage;
    }
    if (options->help) {
        write(cli::HelpText().toUtf8());
        return ExitAnswered;
    }
    if (options->version) {
        write(QByteArrayLiteral("kestrune-cli " KESTRUNE_VERSION "\n"));
        return ExitAnswered;
    }

    if (!options->settings.isEmpty())
        lookup::Sites::useSettingsFile(options->settings);
    // Now rather than in the middle of the first lookup, and with --offline too.
    if (!lookup::Sites::readSettingsFile()) {
        say(QStringLiteral("cannot read the settings file %1").arg(options->settings));
        return ExitUsage;
    }

    QStringList identifiers = options->identifiers;
    if (!options->file.isEmpty()) {
        const auto lines = cli::ReadIdentifierFile(options->file);
        if (!lines) {
            say(QStringLiteral("cannot read %1").arg(options->file));
            return ExitUsage;
        }
        identifiers += *lines;
    }

    write(cli::OutputStart(options->format));
    bool anyFailed = false;
    auto deliver = [&](const cli::Record& record) {
        anyFailed = anyFailed || record.failed();
        write(cli::OutputRecord(options->format, record));
        if (options->open)
            for (const QString& address : record.opened)
                openInBrowser(address);
    };

    // Nothing to wait for: no threads, no event loop.
    if (options->offline) {
        for (const QString& identifier : identifiers)
            deliver(cli::LookUp(identifier, true));
        return anyFailed ? ExitFailed : ExitAnswered;
    }

    cli::Progress progress(int(identifiers.size()), !options->quiet);
    cli::Batch batch(identifiers, options->jobs, [&](const cli::Record& record) {
        progress.clear();
        deliver(record);
    });
    cli::Interrupt interrupt;
    QObject::connect(&interrupt, &cli::Interrupt::requested, &batch, [&] {
        progress.clear();
        say(QStringLiteral("interrupted: stopping the lookups in flight"));
        batch.interrupt();
    });
    QObject::connect(&batch, &cli::Batch::progressed, &progress,
        [&] { progress.update(batch.completed(), batch.failed()); });
    QObject::connect(&batch, &cli::Batch::finished, &application, [&] {
        progress.clear();
        if (batch.interrupted()) {
            say(QStringLiteral("interrupted after %1 of %2")
                    .arg(batch.completed())
                    .arg(batch.total()));
            application.exit(ExitInterrupted);
        } else {
            application.exit(anyFailed ? ExitFailed : ExitAnswered);
        }
    });
    batch.start();
    return application.exec();
}
