#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace web {

// Decodes raw bytes in the named character set ("UTF-8", "GBK", "GB18030",
// ...). Bytes that are not valid in it become U+FFFD and a leading byte-order
// mark is dropped. Nothing when the character set is unknown.
std::optional<QString> DecodeText(const QByteArray& bytes, const QString& charset);

// The charset an HTML answer declares: the Content-Type header's charset
// parameter first, then a <meta> charset near the start of the body. Empty
// when neither names one.
QString DeclaredCharset(const QString& contentType, const QByteArray& body);

} // namespace web
