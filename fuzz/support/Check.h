#pragma once

#include <QRegularExpression>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A fuzz target's oracle: a wrong result aborts, so libFuzzer reports it as a
// crash and keeps the input that showed it.
namespace fuzz {

[[noreturn]] inline void fail(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "\n*** wrong result: %s\n%s\n", what, qUtf8Printable(detail));
    std::abort();
}

inline void check(bool holds, const char* what, const QString& detail = {})
{
    if (!holds)
        fail(what, detail);
}

// Days left are a plain decimal number, never written with an exponent.
inline void checkPlainDaysLeft(const QString& days)
{
    static const QRegularExpression exponent(QStringLiteral("[0-9][eE][-+]?[0-9]"));
    check(!exponent.match(days).hasMatch(), "days left with an exponent", days);
}

} // namespace fuzz
