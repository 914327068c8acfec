#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace cli {

// Writes the bytes to standard output at once, so that a script reading the
// pipe sees each result as soon as it is there. Nothing when all went out;
// otherwise the system's reason (a full disk, a reader that has gone).
std::optional<QString> WriteStandardOutput(const QByteArray& bytes);

} // namespace cli
