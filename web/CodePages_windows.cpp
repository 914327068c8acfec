#include "CodePages.h"

#include <QHash>

#include <windows.h>

namespace web {

namespace {

// The code page a charset name means. The names of the Encoding Standard
// never come here (its own decoders read them), so what is left is names of
// the form cpNNN, windows-NNN, ibmNNN, ibm-NNN and x-cpNNN, read by their
// number, and two names with no number in them.
UINT codePageNamed(const QString& charset)
{
    static const QHash<QString, UINT> named = {{"utf-7", 65000}, {"ebcdic-cp-us", 37}};
    const QString name = charset.toLower();
    if (const auto it = named.constFind(name); it != named.constEnd())
        return it.value();
    // Longer prefixes first: "ibm" would take "ibm-037" and fail on "-037".
    for (const char* prefix : {"windows-", "x-cp", "ibm-", "ibm", "cp"}) {
        if (name.startsWith(QLatin1String(prefix))) {
            bool ok = false;
            const uint number = name.mid(int(qstrlen(prefix))).toUInt(&ok);
            return ok ? number : 0;
        }
    }
    return 0;
}

// Code pages that refuse MB_ERR_INVALID_CHARS (the call fails whatever the
// bytes): the ISO-2022 ones, ISCII, UTF-7 and Symbol. They are decoded whole,
// with Windows' own substitute for what makes no character.
bool refusesErrorFlag(UINT codePage)
{
    return codePage == 42 || (codePage >= 50220 && codePage <= 50229)
        || (codePage >= 57002 && codePage <= 57011) || codePage == 65000;
}

// One call per run of good bytes; only where a run ends in bytes that make no
// character does it go character by character.
class Decoder {
public:
    explicit Decoder(UINT codePage)
        : codePage_(codePage)
        , flags_(refusesErrorFlag(codePage) ? 0 : MB_ERR_INVALID_CHARS)
    {
    }

    // The characters `size` bytes make, or nothing when any byte is bad.
    std::optional<QString> exactly(const char* bytes, int size) const
    {
        if (size == 0)
            return QString();
        const int length = ::MultiByteToWideChar(codePage_, flags_, bytes, size, nullptr, 0);
        if (length <= 0)
            return std::nullopt;
        QString text(length, Qt::Uninitialized);
        ::MultiByteToWideChar(
            codePage_, flags_, bytes, size, reinterpret_cast<wchar_t*>(text.data()), length);
        return text;
    }

    static bool couldGoOn(const char* bytes, int size)
    {
        for (int i = 0; i < size; ++i) {
            const auto byte = uchar(bytes[i]);
            if (byte < 0x80 && (byte < '0' || byte > '9'))
                return false;
        }
        return true;
    }

    QString decode(const QByteArray& bytes) const
    {
        if (auto whole = exactly(bytes.constData(), int(bytes.size())))
            return *whole;
        // A character is at most four bytes in every code page; the first
        // length that makes one is the character. A sequence that makes none
        // is one bad byte, except a character cut off by the end of the body,
        // which is one replacement character as a whole: a lead byte followed
        // by what could only go on (high bytes, or GB18030's digits).
        QString text;
        const char* data = bytes.constData();
        const int size = int(bytes.size());
        for (int at = 0; at < size;) {
            int taken = 0;
            for (int length = 1; length <= 4 && at + length <= size; ++length) {
                if (auto character = exactly(data + at, length)) {
                    text += *character;
                    taken = length;
                    break;
                }
            }
            if (taken == 0) {
                text += QChar::ReplacementCharacter;
                taken = size - at < 4 && couldGoOn(data + at + 1, size - at - 1) ? size - at : 1;
            }
            at += taken;
        }
        return text;
    }

private:
    UINT codePage_;
    DWORD flags_;
};

} // namespace

std::optional<QString> DecodeByCodePage(const QByteArray& bytes, const QString& charset)
{
    const UINT codePage = codePageNamed(charset);
    if (codePage == 0 || !::IsValidCodePage(codePage))
        return std::nullopt;
    return Decoder(codePage).decode(bytes);
}

} // namespace web
