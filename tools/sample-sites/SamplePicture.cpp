// A PNG writer of the fewest parts, so that the sample sites need no image
// library: one IHDR, one IDAT holding uncompressed ("stored") deflate
// blocks, and IEND.
#include "SamplePicture.h"

#include <array>
#include <cstdint>

namespace samples {

namespace {

uint32_t crc32(const std::string& bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t {};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char byte : bytes)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void putBigEndian(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xFF);
}

std::string chunk(const char* type, const std::string& data)
{
    std::string out;
    putBigEndian(out, uint32_t(data.size()));
    const std::string typed = type + data;
    out += typed;
    putBigEndian(out, crc32(typed));
    return out;
}

std::string header(unsigned width, unsigned height)
{
    std::string ihdr;
    putBigEndian(ihdr, width);
    putBigEndian(ihdr, height);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr);
}

// A zlib stream of stored blocks, each at most 65 535 bytes.
std::string storedZlib(const std::string& raw)
{
    std::string out("\x78\x01", 2);
    size_t at = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + length == raw.size();
        out += char(last ? 1 : 0);
        out += char(length & 0xFF);
        out += char(length >> 8);
        out += char(~length & 0xFF);
        out += char((~length >> 8) & 0xFF);
        out.append(raw, at, length);
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (const unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(out, (b << 16) | a);
    return out;
}

} // namespace

const std::string& samplePicture()
{
    static const std::string png = [] {
        std::string rows;
        for (int y = 0; y < SamplePictureHeight; ++y) {
            rows += '\0'; // filter: none
            const bool stripe = y >= SamplePictureHeight / 2 - 2 && y < SamplePictureHeight / 2 + 2;
            for (int x = 0; x < SamplePictureWidth; ++x)
                for (const unsigned char channel : SamplePictureBlue)
                    rows += char(stripe ? 0xFF : channel);
        }
        return header(SamplePictureWidth, SamplePictureHeight) + chunk("IDAT", storedZlib(rows))
            + chunk("IEND", {});
    }();
    return png;
}

std::string pngHeader(unsigned width, unsigned height)
{
    // The first row only: a reader that believed the header would need the
    // rest, and one that checks sizes first never asks.
    const std::string firstRow(1 + size_t(width) * 3, '\0');
    return header(width, height) + chunk("IDAT", storedZlib(firstRow)) + chunk("IEND", {});
}

} // namespace samples
