#include "Bytes.h"
#include "Decoders.h"

#include <optional>
#include <utility>

namespace web::encoding {

namespace {

constexpr char16_t halfwidthKatakana(uchar byte, uchar first)
{
    return char16_t(0xFF61 + byte - first);
}

} // namespace

void DecodeEucJp(QByteArrayView view, Output& out)
{
    const Index& jis0208 = IndexNamed(QLatin1StringView("jis0208"));
    const Bytes bytes(view);
    for (qsizetype i = 0; i < bytes.size;) {
        const uchar lead = bytes.data[i];
        if (lead < 0x80) {
            const qsizetype end = asciiRunEnd(bytes, i);
            out.ascii(bytes.data + i, end - i);
            i = end;
            continue;
        }
        if (lead != 0x8E && lead != 0x8F && !inRange(lead, 0xA1, 0xFE)) {
            out.replacement();
            ++i;
            continue;
        }
        if (i + 1 == bytes.size) {
            out.replacement();
            break;
        }
        const uchar trail = bytes.data[i + 1];
        if (lead == 0x8E && inRange(trail, 0xA1, 0xDF)) {
            out.unit(halfwidthKatakana(trail, 0xA1));
            i += 2;
            continue;
        }
        if (lead == 0x8F && inRange(trail, 0xA1, 0xFE)) {
            // JIS X 0212: three bytes, the last two a pair of its own.
            if (i + 2 == bytes.size) {
                out.replacement();
                break;
            }
            const uchar last = bytes.data[i + 2];
            const char32_t codePoint = inRange(last, 0xA1, 0xFE)
                ? IndexNamed(QLatin1StringView("jis0212")).at((trail - 0xA1) * 94 + last - 0xA1)
                : 0;
            i += 1 + endPair(out, codePoint, last);
            continue;
        }
        const char32_t codePoint = inRange(lead, 0xA1, 0xFE) && inRange(trail, 0xA1, 0xFE)
            ? jis0208.at((lead - 0xA1) * 94 + trail - 0xA1)
            : 0;
        i += endPair(out, codePoint, trail);
    }
}

void DecodeShiftJis(QByteArrayView view, Output& out)
{
    const Index& jis0208 = IndexNamed(QLatin1StringView("jis0208"));
    const Bytes bytes(view);
    for (qsizetype i = 0; i < bytes.size;) {
        const uchar lead = bytes.data[i];
        if (lead <= 0x80) {
            out.unit(lead);
            ++i;
            continue;
        }
        if (inRange(lead, 0xA1, 0xDF)) {
            out.unit(halfwidthKatakana(lead, 0xA1));
            ++i;
            continue;
        }
        if (!inRange(lead, 0x81, 0x9F) && !inRange(lead, 0xE0, 0xFC)) {
            out.replacement();
            ++i;
            continue;
        }
        if (i + 1 == bytes.size) {
            out.replacement();
            break;
        }
        const uchar trail = bytes.data[i + 1];
        char32_t codePoint = 0;
        if (inRange(trail, 0x40, 0x7E) || inRange(trail, 0x80, 0xFC)) {
            const unsigned offset = trail < 0x7F ? 0x40 : 0x41;
            const unsigned leadOffset = lead < 0xA0 ? 0x81 : 0xC1;
            const unsigned pointer = (lead - leadOffset) * 188 + trail - offset;
            // Windows' user-defined characters, which browsers read as
            // private-use code points.
            codePoint = pointer >= 8836 && pointer <= 10715 ? char32_t(0xE000 - 8836 + pointer)
                                                            : jis0208.at(pointer);
        }
        i += endPair(out, codePoint, trail);
    }
}

// ISO-2022-JP switches character sets by escape sequences. The Standard's
// state machine, byte by byte; "restoring" a byte means reading it again.
void DecodeIso2022Jp(QByteArrayView view, Output& out)
{
    enum class State { Ascii, Roman, Katakana, LeadByte, TrailByte, EscapeStart, Escape };
    const Index& jis0208 = IndexNamed(QLatin1StringView("jis0208"));
    const Bytes bytes(view);
    State state = State::Ascii;
    State outputState = State::Ascii;
    uchar leading = 0;
    bool output = false; // an escape sequence was the last thing read
    for (qsizetype i = 0;;) {
        const bool end = i == bytes.size;
        const uchar byte = end ? 0 : bytes.data[i];
        switch (state) {
        case State::Ascii:
        case State::Roman:
        case State::Katakana:
        case State::LeadByte:
            if (end)
                return;
            ++i;
            if (byte == 0x1B) {
                state = State::EscapeStart;
                continue;
            }
            output = false;
            if (state == State::Ascii && byte <= 0x7F && byte != 0x0E && byte != 0x0F)
                out.unit(byte);
            else if (state == State::Roman && byte <= 0x7F && byte != 0x0E && byte != 0x0F)
                out.unit(byte == 0x5C ? u'\u00A5' : byte == 0x7E ? u'\u203E' : char16_t(byte));
            else if (state == State::Katakana && inRange(byte, 0x21, 0x5F))
                out.unit(halfwidthKatakana(byte, 0x21));
            else if (state == State::LeadByte && inRange(byte, 0x21, 0x7E)) {
                leading = byte;
                state = State::TrailByte;
            } else
                out.replacement();
            continue;
        case State::TrailByte: {
            state = State::LeadByte;
            if (end) {
                out.replacement();
                continue;
            }
            ++i;
            if (byte == 0x1B) {
                state = State::EscapeStart;
                out.replacement();
                continue;
            }
            const char32_t codePoint
                = inRange(byte, 0x21, 0x7E) ? jis0208.at((leading - 0x21) * 94 + byte - 0x21) : 0;
            if (codePoint != 0)
                out.codePoint(codePoint);
            else
                out.replacement();
            continue;
        }
        case State::EscapeStart:
            if (!end && (byte == 0x24 || byte == 0x28)) {
                leading = byte;
                state = State::Escape;
                ++i;
                continue;
            }
            output = false; // the byte, unread, is read again in the state before
            state = outputState;
            out.replacement();
            continue;
        case State::Escape: {
            const uchar lead = std::exchange(leading, 0);
            std::optional<State> next;
            if (lead == 0x28 && byte == 0x42)
                next = State::Ascii;
            else if (lead == 0x28 && byte == 0x4A)
                next = State::Roman;
            else if (lead == 0x28 && byte == 0x49)
                next = State::Katakana;
            else if (lead == 0x24 && (byte == 0x40 || byte == 0x42))
                next = State::LeadByte;
            if (next && !end) {
                ++i;
                state = outputState = *next;
                // Two escape sequences in a row with nothing between them
                // are an error: they could hide what follows from a filter.
                if (std::exchange(output, true))
                    out.replacement();
                continue;
            }
            --i; // the lead byte of the sequence is read again, then this one
            output = false;
            state = outputState;
            out.replacement();
            continue;
        }
        }
    }
}

} // namespace web::encoding
