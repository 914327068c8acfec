#include "CodePages.h"

#include <QHash>

#include <windows.h>

namespace web {

namespace {

// Names sites declare, as the IANA registry and browsers spell them, and the
// code page each means. Names of the form cpNNN, windows-NNN and ibmNNN are
// read by their number instead.
UINT codePageNamed(const QString& charset)
{
    static const QHash<QString, UINT> named = {
        {"gbk", 936}, {"gb2312", 936}, {"x-gbk", 936}, {"csgb2312", 936},
        {"gb_2312-80", 936}, {"iso-ir-58", 936}, {"chinese", 936},
        {"gb18030", 54936}, {"big5", 950}, {"big5-hkscs", 950}, {"x-x-big5", 950},
        {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932}, {"ms_kanji", 932},
        {"windows-31j", 932}, {"euc-jp", 20932}, {"iso-2022-jp", 50220},
        {"euc-kr", 949}, {"ks_c_5601-1987", 949}, {"iso-2022-kr", 50225},
        {"koi8-r", 20866}, {"koi8-u", 21866}, {"us-ascii", 20127}, {"ascii", 20127},
        {"tis-620", 874}, {"macintosh", 10000}, {"utf-7", 65000},
        {"ebcdic-cp-us", 37}, {"iso-8859-8-i", 38598},
    };
    const QString name = charset.toLower();
    if (const auto it = named.constFind(name); it != named.constEnd())
        return it.value();
    if (name.startsWith(QLatin1String("iso-8859-")) || name.startsWith(QLatin1String("iso8859-"))) {
        bool ok = false;
        const uint part = name.section(QLatin1Char('-'), -1).toUInt(&ok);
        return ok && part >= 1 && part <= 16 ? 28590 + part : 0;
    }
    for (const char* prefix : {"windows-", "cp", "ibm", "ibm-", "x-cp"}) {
        if (name.startsWith(QLatin1String(prefix))) {
            bool ok = false;
            const uint number = name.mid(int(qstrlen(prefix))).toUInt(&ok);
            return ok ? number : 0;
        }
    }
    return 0;
}

// One call per run of good bytes; only where a run ends in bytes that make no
// character does it go character by character.
class Decoder {
public:
    explicit Decoder(UINT codePage) : codePage_(codePage) { }

    // The characters `size` bytes make, or nothing when any byte is bad.
    std::optional<QString> exactly(const char* bytes, int size) const
    {
        if (size == 0)
            return QString();
        const int length = ::MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
        if (length <= 0)
            return std::nullopt;
        QString text(length, Qt::Uninitialized);
        ::MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes, size,
            reinterpret_cast<wchar_t*>(text.data()), length);
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
