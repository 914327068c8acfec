#pragma once

#include <QDate>
#include <QLocale>

#include <cstdint>

namespace fuzz {

// The locales an input is read in: the program's own users', the sites'
// English, and some whose names and date orders differ from both (day before
// month, other scripts, month and day names that look like English ones).
const QLocale& localeFor(std::uint8_t choice);

// "Today" for every target, so that days left do not depend on the day a
// fuzzer runs.
inline const QDate Today {2015, 6, 7};

} // namespace fuzz
