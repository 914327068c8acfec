#include "Decoders.h"

#include <utility>

namespace web::encoding {

namespace {

// One U+FFFD for each maximal bad sequence: a lead byte and the trail bytes
// that could still have made a character with it, as the Standard says.
void decodeUtf8ByStandard(QByteArrayView bytes, Output& out)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const uchar lead = data[i++];
        if (lead < 0x80) {
            out.unit(lead);
            continue;
        }
        int needed = 0;
        char32_t codePoint = 0;
        uchar lower = 0x80;
        uchar upper = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            lower = lead == 0xE0 ? 0xA0 : lower; // overlong
            upper = lead == 0xED ? 0x9F : upper; // surrogates
            needed = 2;
            codePoint = lead & 0xF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            lower = lead == 0xF0 ? 0x90 : lower; // overlong
            upper = lead == 0xF4 ? 0x8F : upper; // beyond U+10FFFF
            needed = 3;
            codePoint = lead & 0x7;
        } else {
            out.replacement();
            continue;
        }
        int seen = 0;
        for (; seen < needed && i < size; ++seen, ++i) {
            const uchar trail = data[i];
            if (trail < lower || trail > upper)
                break; // the trail byte starts afresh
            lower = 0x80;
            upper = 0xBF;
            codePoint = (codePoint << 6) | (trail & 0x3F);
        }
        if (seen == needed)
            out.codePoint(codePoint);
        else
            out.replacement();
    }
}

} // namespace

QString DecodeUtf8(QByteArrayView bytes)
{
    // Qt replaces every bad sequence with U+FFFD too, only not always as
    // many; so a text without U+FFFD came from valid UTF-8 and is the
    // Standard's. One with it (rare: bad bytes, or a U+FFFD the page really
    // holds) is decoded again by the Standard's rules. So is one that starts
    // with a byte-order mark (the body's second): Qt would drop it.
    if (!bytes.startsWith("\xEF\xBB\xBF")) {
        QString text = QString::fromUtf8(bytes);
        if (!text.contains(QChar::ReplacementCharacter))
            return text;
    }
    Output out(bytes.size());
    decodeUtf8ByStandard(bytes, out);
    return out.take();
}

void DecodeUtf16(QByteArrayView bytes, bool bigEndian, Output& out)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    char16_t leadingSurrogate = 0;
    qsizetype i = 0;
    for (; i + 1 < size; i += 2) {
        const char16_t unit = bigEndian ? char16_t(data[i] << 8 | data[i + 1])
                                        : char16_t(data[i + 1] << 8 | data[i]);
        const bool isLeading = unit >= 0xD800 && unit <= 0xDBFF;
        const bool isTrailing = unit >= 0xDC00 && unit <= 0xDFFF;
        if (leadingSurrogate != 0) {
            const char16_t leading = std::exchange(leadingSurrogate, 0);
            if (isTrailing) {
                out.unit(leading);
                out.unit(unit);
                continue;
            }
            // A lone leading surrogate: this unit starts afresh.
            out.replacement();
            i -= 2;
            continue;
        }
        if (isLeading)
            leadingSurrogate = unit;
        else if (isTrailing)
            out.replacement();
        else
            out.unit(unit);
    }
    // An odd byte or a leading surrogate at the end: one error for both.
    if (i < size || leadingSurrogate != 0)
        out.replacement();
}

} // namespace web::encoding
