#include "Bytes.h"
#include "Decoders.h"

#include <algorithm>

namespace web::encoding {

namespace {

// The code point of a four-byte gb18030 sequence: ranges of consecutive code
// points, each starting at a listed pointer.
char32_t gb18030RangesCodePoint(
    const QList<std::pair<unsigned, char32_t>>& ranges, unsigned pointer)
{
    if ((pointer > 39419 && pointer < 189000) || pointer > 1237575)
        return 0;
    if (pointer == 7457)
        return 0xE7C7;
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), pointer,
        [](unsigned p, const std::pair<unsigned, char32_t>& range) { return p < range.first; });
    if (after == ranges.begin())
        return 0;
    const auto& [offset, codePointOffset] = *std::prev(after);
    return codePointOffset + pointer - offset;
}

} // namespace

void DecodeGb18030(QByteArrayView view, Output& out)
{
    const Index& index = IndexNamed(QLatin1StringView("gb18030"));
    const auto& ranges = IndexEntries(QLatin1StringView("gb18030-ranges"));
    const Bytes bytes(view);
    for (qsizetype i = 0; i < bytes.size;) {
        const uchar first = bytes.data[i];
        if (first < 0x80) {
            const qsizetype end = asciiRunEnd(bytes, i);
            out.ascii(bytes.data + i, end - i);
            i = end;
            continue;
        }
        if (first == 0x80 || first == 0xFF) {
            if (first == 0x80)
                out.unit(u'\u20AC');
            else
                out.replacement();
            ++i;
            continue;
        }
        if (i + 1 == bytes.size) { // cut off by the end
            out.replacement();
            break;
        }
        const uchar second = bytes.data[i + 1];
        if (inRange(second, 0x30, 0x39)) {
            // Four bytes: lead, digit, lead, digit. A sequence cut off by the
            // end is one error; one broken in the middle is an error and is
            // read again from its second byte.
            if (i + 2 == bytes.size
                || (i + 3 == bytes.size && inRange(bytes.data[i + 2], 0x81, 0xFE))) {
                out.replacement();
                break;
            }
            const uchar third = bytes.data[i + 2];
            const uchar fourth = i + 3 < bytes.size ? bytes.data[i + 3] : 0;
            if (!inRange(third, 0x81, 0xFE) || !inRange(fourth, 0x30, 0x39)) {
                out.replacement();
                ++i;
                continue;
            }
            const unsigned pointer = (first - 0x81) * (10 * 126 * 10) + (second - 0x30) * (10 * 126)
                + (third - 0x81) * 10 + (fourth - 0x30);
            if (const char32_t codePoint = gb18030RangesCodePoint(ranges, pointer))
                out.codePoint(codePoint);
            else
                out.replacement();
            i += 4;
            continue;
        }
        char32_t codePoint = 0;
        if (inRange(second, 0x40, 0x7E) || inRange(second, 0x80, 0xFE)) {
            const unsigned offset = second < 0x7F ? 0x40 : 0x41;
            codePoint = index.at((first - 0x81) * 190 + (second - offset));
        }
        i += endPair(out, codePoint, second);
    }
}

void DecodeBig5(QByteArrayView view, Output& out)
{
    const Index& index = IndexNamed(QLatin1StringView("big5"));
    DecodePairs(Bytes(view), 0x81, 0xFE, out, [&](uchar lead, uchar trail) {
        if (!inRange(trail, 0x40, 0x7E) && !inRange(trail, 0xA1, 0xFE))
            return false;
        const unsigned offset = trail < 0x7F ? 0x40 : 0x62;
        const unsigned pointer = (lead - 0x81) * 157 + (trail - offset);
        // Four pointers stand for a letter and a combining mark, which an
        // index of single code points cannot hold.
        const char16_t letter = pointer == 1133 || pointer == 1135 ? u'\u00CA'
            : pointer == 1164 || pointer == 1166                   ? u'\u00EA'
                                                                   : 0;
        if (letter != 0) {
            out.unit(letter);
            out.unit(pointer == 1133 || pointer == 1164 ? u'\u0304' : u'\u030C');
            return true;
        }
        const char32_t codePoint = index.at(pointer);
        if (codePoint != 0)
            out.codePoint(codePoint);
        return codePoint != 0;
    });
}

} // namespace web::encoding
