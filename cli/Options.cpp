#include "Options.h"

#include "Resume.h"

#include <QCommandLineParser>

namespace cli {

namespace {

// Worded as the program's other messages are: lower case, the option as it
// is typed, in double quotes, no full stop.
QString parseError(const QCommandLineParser& parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return QStringLiteral("unknown option \"%1%2\"")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    text.replace(QLatin1Char('\''), QLatin1Char('"'));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

} // namespace

std::optional<Options> ParseOptions(
    const QStringList& arguments, bool stdoutIsTerminal, QString& error)
{
    // --resume takes its age after an '=' or none at all, which
    // QCommandLineParser cannot say: it is taken out first.
    QStringList rest;
    std::optional<qint64> resume;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            rest << arguments.mid(i);
            break;
        }
        if (argument == QLatin1String("--resume")) {
            resume = DefaultResumeAge;
        } else if (argument.startsWith(QLatin1String("--resume="))) {
            resume = ParseAge(argument.mid(9));
            if (!resume) {
                error = QStringLiteral("--resume takes an age such as 30m, 24h or 7d");
                return std::nullopt;
            }
        } else {
            rest << argument;
        }
    }

    QCommandLineParser parser;
    const QCommandLineOption file(QStringList {"f", "file"}, {}, "FILE");
    const QCommandLineOption format("format", {}, "FORMAT");
    const QCommandLineOption offline("offline");
    const QCommandLineOption jobs(QStringList {"j", "jobs"}, {}, "N");
    const QCommandLineOption quiet(QStringList {"q", "quiet"});
    const QCommandLineOption open("open");
    const QCommandLineOption settings("settings", {}, "FILE");
    const QCommandLineOption help(QStringList {"h", "help"});
    const QCommandLineOption version(QStringList {"V", "version"});
    const QCommandLineOption noHistory("no-history");
    parser.addOptions(
        {file, format, offline, jobs, quiet, open, settings, help, version, noHistory});
    if (!parser.parse(rest)) {
        error = parseError(parser);
        return std::nullopt;
    }

    Options options;
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (options.help || options.version)
        return options;

    options.identifiers = parser.positionalArguments();
    options.files = parser.values(file);
    options.offline = parser.isSet(offline);
    options.quiet = parser.isSet(quiet);
    options.open = parser.isSet(open);
    options.settings = parser.value(settings);
    options.noHistory = parser.isSet(noHistory);
    options.resume = resume;
    if (options.resume && (options.noHistory || options.offline)) {
        error = QStringLiteral("--resume reads the history: not with --%1")
                    .arg(options.offline ? "offline" : "no-history");
        return std::nullopt;
    }
    if (parser.isSet(settings) && options.settings.isEmpty()) {
        error = QStringLiteral("--settings needs a file name");
        return std::nullopt;
    }

    // A person at a terminal reads; a script reads JSON Lines.
    options.format = stdoutIsTerminal ? Format::Text : Format::Json;
    if (parser.isSet(format)) {
        const auto named = FormatNamed(parser.value(format), &error);
        if (!named)
            return std::nullopt;
        options.format = *named;
    }

    options.jobs = DefaultJobs;
    if (parser.isSet(jobs)) {
        bool number = false;
        options.jobs = parser.value(jobs).toInt(&number);
        if (!number || options.jobs < 1 || options.jobs > MaxJobs) {
            error = QStringLiteral("--jobs takes a number from 1 to %1").arg(MaxJobs);
            return std::nullopt;
        }
    }

    if (options.identifiers.isEmpty() && !parser.isSet(file)) {
        error = QStringLiteral("no identifier given");
        return std::nullopt;
    }
    return options;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: kestrune-cli [options] IDENTIFIER...\n"
        "       kestrune-cli [options] --file FILE     (FILE \"-\" is standard input)\n"
        "       kestrune-cli history [TEXT] [--since DATE] [--until DATE] [--kind KIND]\n"
        "                            [--format FORMAT]\n"
        "       kestrune-cli history --forget IDENTIFIER | --forget-before DATE\n"
        "\n"
        "Looks phones up by serial number (12 or 14 characters) or IMEI (15), and SIM\n"
        "cards by ICCID (19 or 20 characters starting \"89\"), as the Kestrune助理 window\n"
        "does, and prints what the window would show. Blanks around an identifier are\n"
        "no part of it; an IMEI or ICCID is looked up without the blanks, \"-\" and \"/\"\n"
        "written between its digits.\n"
        "\n"
        "Options:\n"
        "  -f, --file FILE      identifiers one a line; blank lines and lines starting\n"
        "                       \"#\" are skipped; several are read in order\n"
        "      --format FORMAT  text (the default on a terminal), json (JSON Lines, the\n"
        "                       default otherwise) or csv (UTF-8 with a byte-order mark);\n"
        "                       json and csv add typed values (numbers, ISO dates,\n"
        "                       true/false, null) and the requests that got no answer\n"
        "      --offline        read the identifiers only, ask no site\n"
        "  -j, --jobs N         identifiers looked up at once, 1 to 16 (default 4);\n"
        "                       the output keeps the input's order\n"
        "  -q, --quiet          no progress line and no log lines on standard error\n"
        "      --open           open the replaced-device page in the browser, as the\n"
        "                       window does (otherwise it is only listed as opened)\n"
        "      --settings FILE  the settings file to read instead of\n"
        "                       $XDG_CONFIG_HOME/kestrune/kestrune.conf\n"
        "      --resume[=AGE]   print an identifier answered less than AGE ago (30m,\n"
        "                       24h, 7d; default 24h) from the history, not asked again\n"
        "      --no-history     keep no record of these lookups in the history\n"
        "  -h, --help           this text\n"
        "  -V, --version        the program's version\n"
        "\n"
        "Every lookup is kept in the history (an SQLite file in\n"
        "$XDG_DATA_HOME/kestrune/, or the PostgreSQL database the settings name), with\n"
        "the fields that changed since the identifier's last answer (\"changed\").\n"
        "\"kestrune-cli history --help\" tells how to search it and forget.\n"
        "\n"
        "Exit status: 0 when every identifier got an answer, 1 when any was no\n"
        "identifier or got no answer, 2 for a usage error or an input that could not\n"
        "be read, 3 when the results could not be written, 4 when every identifier got\n"
        "an answer but some request of a lookup got none, 5 when the results were\n"
        "printed but some records could not be kept in the history (they are named),\n"
        "130 after Ctrl-C.\n"
        "See kestrune-cli(1).\n");
}

} // namespace cli
