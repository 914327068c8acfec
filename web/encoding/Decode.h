#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace web::encoding {

// Decodes a whole body as the Encoding Standard's "decode" does: a byte-order
// mark at the start chooses UTF-8 or UTF-16 whatever the encoding and is
// dropped; otherwise the encoding (a name EncodingForLabel gives) decodes it,
// each error a U+FFFD. Nothing for a name the Standard has no decoder for.
std::optional<QString> Decode(QByteArrayView bytes, QStringView encoding);

} // namespace web::encoding
