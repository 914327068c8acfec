#include "Decode.h"

#include "Decoders.h"

namespace web::encoding {

namespace {

// What a leading byte-order mark says, and how long it is.
std::pair<QStringView, qsizetype> byteOrderMark(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {u"UTF-8", 3};
    if (bytes.startsWith("\xFE\xFF"))
        return {u"UTF-16BE", 2};
    if (bytes.startsWith("\xFF\xFE"))
        return {u"UTF-16LE", 2};
    return {};
}

using Decoder = void (*)(QByteArrayView, Output&);

Decoder multiByteDecoder(QStringView encoding)
{
    static const std::pair<QStringView, Decoder> decoders[] = {
        {u"GBK", DecodeGb18030},
        {u"gb18030", DecodeGb18030},
        {u"Big5", DecodeBig5},
        {u"EUC-JP", DecodeEucJp},
        {u"ISO-2022-JP", DecodeIso2022Jp},
        {u"Shift_JIS", DecodeShiftJis},
        {u"EUC-KR", DecodeEucKr},
        {u"replacement", DecodeReplacement},
        {u"UTF-16BE", [](QByteArrayView bytes, Output& out) { DecodeUtf16(bytes, true, out); }},
        {u"UTF-16LE", [](QByteArrayView bytes, Output& out) { DecodeUtf16(bytes, false, out); }},
        {u"x-user-defined", DecodeXUserDefined},
    };
    for (const auto& [name, decoder] : decoders) {
        if (name == encoding)
            return decoder;
    }
    return nullptr;
}

// The single-byte encodings each have an index of their own name, but for
// ISO-8859-8-I, which differs from ISO-8859-8 only in the direction its text
// is laid out in.
bool isSingleByte(QStringView encoding)
{
    static const QStringView names[]
        = {u"IBM866", u"ISO-8859-2", u"ISO-8859-3", u"ISO-8859-4", u"ISO-8859-5", u"ISO-8859-6",
            u"ISO-8859-7", u"ISO-8859-8", u"ISO-8859-10", u"ISO-8859-13", u"ISO-8859-14",
            u"ISO-8859-15", u"ISO-8859-16", u"KOI8-R", u"KOI8-U", u"macintosh", u"windows-874",
            u"windows-1250", u"windows-1251", u"windows-1252", u"windows-1253", u"windows-1254",
            u"windows-1255", u"windows-1256", u"windows-1257", u"windows-1258", u"x-mac-cyrillic"};
    return encoding == u"ISO-8859-8-I"
        || std::find(std::begin(names), std::end(names), encoding) != std::end(names);
}

} // namespace

std::optional<QString> Decode(QByteArrayView bytes, QStringView encoding)
{
    if (const auto [sniffed, length] = byteOrderMark(bytes); length != 0) {
        encoding = sniffed;
        bytes = bytes.sliced(length);
    }
    if (encoding == u"UTF-8")
        return DecodeUtf8(bytes);
    Output out(bytes.size());
    if (const Decoder decoder = multiByteDecoder(encoding)) {
        decoder(bytes, out);
    } else if (isSingleByte(encoding)) {
        const QByteArray name
            = (encoding == u"ISO-8859-8-I" ? QStringView(u"ISO-8859-8") : encoding)
                  .toLatin1()
                  .toLower();
        DecodeSingleByte(bytes, IndexNamed(QLatin1StringView(name)), out);
    } else {
        return std::nullopt;
    }
    return out.take();
}

} // namespace web::encoding
