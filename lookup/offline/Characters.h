#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

// What the three readers share: the characters people type between digit
// groups, the Luhn check digit, and naming the character that does not belong.
namespace lookup::offline::characters {

struct Cleaned {
    QString kept; // ASCII digits and (where allowed) upper-cased ASCII letters
    QVarLengthArray<qsizetype, 24> at; // where each kept character stood in the input
    qsizetype badAt = -1; // the first character that is neither kept nor left out
};

// Leaves out every blank and each of `separators`; stops at the first
// character that is none of these, a digit or (if `letters`) an ASCII letter.
Cleaned clean(QStringView input, QStringView separators, bool letters);

// The Luhn digit that completes `digits` (ASCII digits only).
int luhnCheckDigit(QStringView digits);

// "第3位“Ａ”是全角字符" or "第3位“x”" + `complaint`: positions count
// characters as the user sees them, from 1.
QString badCharacter(QStringView input, qsizetype at, QStringView complaint);

inline bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
inline bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
inline bool allDigits(QStringView text)
{
    for (QChar c : text)
        if (!isAsciiDigit(c))
            return false;
    return true;
}

} // namespace lookup::offline::characters
