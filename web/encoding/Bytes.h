#pragma once

#include <QByteArrayView>

#include <cstring>

namespace web::encoding {

// A body as unsigned bytes, for the decoders' lead and trail byte checks.
struct Bytes {
    explicit Bytes(QByteArrayView view)
        : data(reinterpret_cast<const uchar*>(view.data()))
        , size(view.size())
    {
    }
    const uchar* data;
    qsizetype size;
};

// Where the run of ASCII bytes starting at `from` ends: eight bytes at a time
// while none has its high bit set.
inline qsizetype asciiRunEnd(const Bytes& bytes, qsizetype from)
{
    qsizetype at = from;
    for (; at + 8 <= bytes.size; at += 8) {
        quint64 word;
        std::memcpy(&word, bytes.data + at, sizeof word);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (at < bytes.size && bytes.data[at] < 0x80)
        ++at;
    return at;
}

inline bool inRange(uchar byte, uchar first, uchar last)
{
    return byte >= first && byte <= last;
}

// After a bad two-byte sequence the decoders read an ASCII trail byte again
// (it may start markup) and skip any other: how far to go on.
inline qsizetype afterBadPair(uchar trail)
{
    return trail < 0x80 ? 1 : 2;
}

// The end of a two-byte sequence: its code point, or one replacement when it
// has none. How far to go on.
template <typename Out>
qsizetype endPair(Out& out, char32_t codePoint, uchar trail)
{
    if (codePoint != 0) {
        out.codePoint(codePoint);
        return 2;
    }
    out.replacement();
    return afterBadPair(trail);
}

// The loop of the encodings made of ASCII and lead-and-trail pairs: ASCII in
// runs; a lead outside [first, last], or one the body ends after, is one
// replacement; `pair(lead, trail)` writes the pair's characters and says
// whether there were any, else the pair is one replacement as above.
template <typename Out, typename Pair>
void DecodePairs(const Bytes& bytes, uchar first, uchar last, Out& out, Pair pair)
{
    for (qsizetype i = 0; i < bytes.size;) {
        const uchar lead = bytes.data[i];
        if (lead < 0x80) {
            const qsizetype end = asciiRunEnd(bytes, i);
            out.ascii(bytes.data + i, end - i);
            i = end;
            continue;
        }
        if (!inRange(lead, first, last)) {
            out.replacement();
            ++i;
            continue;
        }
        if (i + 1 == bytes.size) {
            out.replacement();
            break;
        }
        const uchar trail = bytes.data[i + 1];
        if (pair(lead, trail)) {
            i += 2;
        } else {
            out.replacement();
            i += afterBadPair(trail);
        }
    }
}

} // namespace web::encoding
