#pragma once

#include <QString>

#include <cstdio>

namespace cli {

// The file for reading bytes, by its name as the user gave it, whatever
// characters that holds (Windows opens such names only by their UTF-16 form).
// Null, with errno set, when it cannot be opened.
std::FILE* OpenFileForReading(const QString& path);

} // namespace cli
