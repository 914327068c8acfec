#include "Decoders.h"

namespace web::encoding {

void DecodeSingleByte(QByteArrayView bytes, const Index& index, Output& out)
{
    for (const char byte : bytes) {
        const auto b = uchar(byte);
        if (b < 0x80) {
            out.unit(b);
        } else if (const char32_t codePoint = index.at(b - 0x80u)) {
            out.codePoint(codePoint);
        } else {
            out.replacement();
        }
    }
}

void DecodeXUserDefined(QByteArrayView bytes, Output& out)
{
    for (const char byte : bytes) {
        const auto b = uchar(byte);
        out.unit(b < 0x80 ? char16_t(b) : char16_t(0xF780 + b - 0x80));
    }
}

// Encodings that can be used to smuggle markup past a filter (ISO-2022-KR,
// HZ-GB-2312, ...) decode to one U+FFFD, so that nothing is read from them.
void DecodeReplacement(QByteArrayView bytes, Output& out)
{
    if (!bytes.isEmpty())
        out.replacement();
}

} // namespace web::encoding
