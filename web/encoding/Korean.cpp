#include "Bytes.h"
#include "Decoders.h"

namespace web::encoding {

// EUC-KR as browsers read it: Windows' code page 949, the KS X 1001 pairs and
// the Unified Hangul Code's extra syllables around them.
void DecodeEucKr(QByteArrayView view, Output& out)
{
    const Index& index = IndexNamed(QLatin1StringView("euc-kr"));
    const Bytes bytes(view);
    for (qsizetype i = 0; i < bytes.size;) {
        const uchar lead = bytes.data[i];
        if (lead < 0x80) {
            const qsizetype end = asciiRunEnd(bytes, i);
            out.ascii(bytes.data + i, end - i);
            i = end;
            continue;
        }
        if (!inRange(lead, 0x81, 0xFE)) {
            out.replacement();
            ++i;
            continue;
        }
        if (i + 1 == bytes.size) {
            out.replacement();
            break;
        }
        const uchar trail = bytes.data[i + 1];
        const char32_t codePoint
            = inRange(trail, 0x41, 0xFE) ? index.at((lead - 0x81) * 190 + (trail - 0x41)) : 0;
        if (codePoint != 0) {
            out.codePoint(codePoint);
            i += 2;
        } else {
            out.replacement();
            i += afterBadPair(trail);
        }
    }
}

} // namespace web::encoding
