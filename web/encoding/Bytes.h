#pragma once

#include <QByteArrayView>

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

} // namespace web::encoding
