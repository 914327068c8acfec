#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace web {

// Decodes raw bytes in the named character set ("UTF-8", "gb2312", ...).
// A label of the WHATWG Encoding Standard is read as browsers read it, the
// same on every platform: a leading byte-order mark wins over the label, and
// each bad sequence becomes U+FFFD as the Standard says. Other names (IBM037,
// UTF-32, ...) go to Qt's and the platform's decoders: bad bytes become
// U+FFFD and a leading byte-order mark is dropped. Nothing when no decoder
// knows the name.
std::optional<QString> DecodeText(const QByteArray& bytes, const QString& charset);

// The charset an HTML answer declares: the Content-Type header's charset
// parameter first, then a <meta> charset near the start of the body. Empty
// when neither names one.
QString DeclaredCharset(const QString& contentType, const QByteArray& body);

} // namespace web
