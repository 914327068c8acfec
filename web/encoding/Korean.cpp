#include "Bytes.h"
#include "Decoders.h"

namespace web::encoding {

// EUC-KR as browsers read it: Windows' code page 949, the KS X 1001 pairs and
// the Unified Hangul Code's extra syllables around them.
void DecodeEucKr(QByteArrayView view, Output& out)
{
    const Index& index = IndexNamed(QLatin1StringView("euc-kr"));
    DecodePairs(Bytes(view), 0x81, 0xFE, out, [&](uchar lead, uchar trail) {
        const char32_t codePoint
            = inRange(trail, 0x41, 0xFE) ? index.at((lead - 0x81) * 190 + (trail - 0x41)) : 0;
        if (codePoint != 0)
            out.codePoint(codePoint);
        return codePoint != 0;
    });
}

} // namespace web::encoding
