#pragma once

#include "Output.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

struct Options {
    QStringList identifiers; // as given on the command line
    QStringList files; // each --file, in order; "-" is standard input
    Format format = Format::Text;
    bool offline = false;
    int jobs = 4;
    bool quiet = false;
    bool open = false;
    QString settings; // --settings
    bool noHistory = false; // --no-history
    std::optional<qint64> resume; // --resume[=AGE]: the age in seconds
    bool help = false;
    bool version = false;
};

constexpr int DefaultJobs = 4;
constexpr int MaxJobs = 16;

// Reads the command line (arguments()[0] is the program). Nothing, and
// `error` says why, when it makes no sense.
std::optional<Options> ParseOptions(
    const QStringList& arguments, bool stdoutIsTerminal, QString& error);

QString HelpText();

} // namespace cli
