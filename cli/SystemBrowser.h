#pragma once

#include <QString>

namespace cli {

// Hands the address to the desktop's opener as an argument of its own, so
// that no shell ever reads it (a "&" or "|" in it stays part of it), with
// the null device for its input and output. False when the opener could not
// be started.
bool OpenInSystemBrowser(const QString& address);

} // namespace cli
