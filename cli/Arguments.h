#pragma once

#include <QStringList>

namespace cli {

// The arguments, as QCoreApplication::arguments() has them, that were no text
// in the system's terms: bytes that are not UTF-8 (which Qt turns into U+FFFD,
// another identifier than the one typed), or UTF-16 with a lone surrogate.
QStringList ArgumentsNotText(int argc, char** argv);

} // namespace cli
