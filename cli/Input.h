#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdio>
#include <optional>
#include <vector>

namespace cli {

// Longer than this, a line is no identifier, and it is not kept while the
// rest of it is read: a file of no lines at all cannot fill the memory.
constexpr qsizetype MaxLineBytes = 4096;

struct InputLine {
    QString identifier;
    // Set when the line is no identifier at all (not UTF-8, too long, not
    // readable), naming the file and line; the identifier is empty then.
    QString complaint;
};

// Why the file cannot be read, in the system's words, or nothing when it can
// be opened; "-" is standard input.
std::optional<QString> WhyUnreadable(const QString& path);

// The identifiers of the command line, then those of each file, in the order
// given, one a line: blank lines and lines starting "#" are skipped, the rest
// is taken as written except for a trailing carriage return (a file saved on
// Windows) and a byte-order mark before a file's first line. "-" is standard
// input. Each line is handed on as it arrives, so that a pipe's first lines
// are looked up while its writer is still at work. An identifier of the command
// line that was no text (`notText`: not UTF-8) is refused as a file's line is.
class Input {
public:
    Input(QStringList identifiers, QStringList files, QStringList notText = {});
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Opens every file before anything is read, so that a wrong name stops
    // the program before any output. False, and `error` names the file and
    // the system's reason, when one cannot be read.
    bool open(QString& error);

    // The next identifier, or a line that is none, waiting until it comes.
    // Nothing at the end of the last file.
    std::optional<InputLine> next();

    // Whether reading a file failed part-way (a read error, a terminal hung
    // up): what came before was looked up, the rest of that file is lost.
    bool readFailed() const { return readFailed_; }

private:
    struct File {
        QString name; // as the user knows it
        std::FILE* stream = nullptr;
        int line = 0;
    };

    const QStringList identifiers_;
    const QStringList paths_;
    const QStringList notText_;
    std::atomic_bool readFailed_ {false};
    qsizetype nextIdentifier_ = 0;
    std::vector<File> files_;
    size_t current_ = 0;
};

} // namespace cli
