#include "Input.h"

#include "OpenFile.h"
#include "Terminal.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

namespace cli {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

enum class Read { Line, TooLong, End, Failed };

// One line without its line feed, byte by byte: the stream's own buffer
// hands over what a pipe has as soon as it has it, and of a line longer than
// MaxLineBytes nothing more is kept.
Read readLine(std::FILE* stream, QByteArray& line)
{
    line.clear();
    bool tooLong = false;
    int c = 0;
    // One byte more than a line may hold, for a carriage return before the
    // line feed: it is no part of the identifier, so it does not count.
    while ((c = std::getc(stream)) != EOF && c != '\n') {
        if (line.size() <= MaxLineBytes)
            line.append(char(c));
        else
            tooLong = true;
    }
    if (line.size() > MaxLineBytes && !line.endsWith('\r'))
        tooLong = true;
    if (c == EOF && std::ferror(stream))
        return Read::Failed;
    if (c == EOF && line.isEmpty() && !tooLong)
        return Read::End;
    return tooLong ? Read::TooLong : Read::Line;
}

} // namespace

std::optional<QString> WhyUnreadable(const QString& path)
{
    if (path == QLatin1String("-"))
        return StandardStreamWasClosed(0) ? std::optional(systemReason(EBADF)) : std::nullopt;
    // A directory opens as a file would; reading it is what fails.
    if (QFileInfo(path).isDir())
        return systemReason(EISDIR);
    errno = 0;
    std::FILE* file = OpenFileForReading(path);
    if (!file)
        return systemReason(errno);
    std::fclose(file);
    return std::nullopt;
}

Input::Input(QStringList identifiers, QStringList files, QStringList notText)
    : identifiers_(std::move(identifiers))
    , paths_(std::move(files))
    , notText_(std::move(notText))
{
}

Input::~Input()
{
    for (const File& file : files_)
        if (file.stream && file.stream != stdin)
            std::fclose(file.stream);
}

bool Input::open(QString& error)
{
    for (const QString& path : paths_) {
        File file;
        if (path == QLatin1String("-")) {
            file.name = QStringLiteral("standard input");
            if (const auto why = WhyUnreadable(path)) {
                error = QStringLiteral("cannot read standard input: %1").arg(*why);
                return false;
            }
            file.stream = stdin;
        } else {
            file.name = path;
            // A directory opens as a file would; reading it is what fails.
            errno = QFileInfo(path).isDir() ? EISDIR : 0;
            if (errno == 0)
                file.stream = OpenFileForReading(path);
            if (!file.stream) {
                error = QStringLiteral("cannot read %1: %2").arg(path, systemReason(errno));
                return false;
            }
        }
        files_.push_back(file);
    }
    return true;
}

std::optional<InputLine> Input::next()
{
    if (nextIdentifier_ < identifiers_.size()) {
        const QString& identifier = identifiers_[nextIdentifier_++];
        if (notText_.contains(identifier))
            return InputLine {{},
                QStringLiteral("command line:%1: not UTF-8, so no identifier")
                    .arg(nextIdentifier_)};
        return InputLine {identifier, {}};
    }
    QByteArray line;
    while (current_ < files_.size()) {
        File& file = files_[current_];
        const Read read = readLine(file.stream, line);
        if (read == Read::End || read == Read::Failed) {
            const QString reason = systemReason(errno);
            ++current_;
            if (read == Read::Failed) {
                readFailed_ = true;
                return InputLine {{},
                    QStringLiteral("%1:%2: cannot read further: %3")
                        .arg(file.name)
                        .arg(file.line + 1)
                        .arg(reason)};
            }
            continue;
        }
        const QString where = QStringLiteral("%1:%2: ").arg(file.name).arg(++file.line);
        if (read == Read::TooLong)
            return InputLine {{},
                where + QStringLiteral("longer than %1 bytes, so no identifier").arg(MaxLineBytes)};
        if (file.line == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        // A byte-order mark further down is text like any other.
        QStringDecoder decoder(QStringDecoder::Utf8,
            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString identifier = decoder.decode(line);
        if (decoder.hasError())
            return InputLine {{}, where + QStringLiteral("not UTF-8, so no identifier")};
        return InputLine {identifier, {}};
    }
    return std::nullopt;
}

} // namespace cli
