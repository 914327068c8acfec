#include "Characters.h"

namespace lookup::offline::characters {

Cleaned clean(QStringView input, QStringView separators, bool letters)
{
    Cleaned cleaned;
    cleaned.kept.reserve(input.size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (c.isSpace() || separators.contains(c))
            continue;
        if (isAsciiDigit(c) || (letters && isAsciiLetter(c))) {
            cleaned.kept.append(c.toUpper());
            cleaned.at.append(i);
            continue;
        }
        cleaned.badAt = i;
        break;
    }
    return cleaned;
}

int luhnCheckDigit(QStringView digits)
{
    // From the right, every other digit is doubled, starting with the one
    // next to where the check digit goes.
    int sum = 0;
    bool doubled = true;
    for (qsizetype i = digits.size() - 1; i >= 0; --i, doubled = !doubled) {
        int digit = digits[i].unicode() - u'0';
        if (doubled) {
            digit *= 2;
            if (digit > 9)
                digit -= 9;
        }
        sum += digit;
    }
    return (10 - sum % 10) % 10;
}

QString badCharacter(QStringView input, qsizetype at, QStringView complaint)
{
    const qsizetype length
        = input[at].isHighSurrogate() && at + 1 < input.size() && input[at + 1].isLowSurrogate()
        ? 2
        : 1;
    const QStringView character = input.mid(at, length);
    // The full-width forms of the ASCII characters (an input method's digits).
    const char16_t code = input[at].unicode();
    const bool fullWidth = code >= 0xFF01 && code <= 0xFF5E;
    return QStringLiteral("第%1位“%2”%3")
        .arg(at + 1) // what comes before is all digits, letters and blanks
        .arg(character)
        .arg(fullWidth ? QStringLiteral("是全角字符") : complaint.toString());
}

} // namespace lookup::offline::characters
