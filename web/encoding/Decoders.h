#pragma once

#include "Indexes.h"
#include "Output.h"

#include <QByteArrayView>

namespace web::encoding {

// The Encoding Standard's decoders, each over a whole body: error mode
// "replacement" (U+FFFD for each error), the end of the body being the end of
// the queue. A byte-order mark is no business of theirs (see Decode).

// UTF-8 in one pass by Qt where the body is valid UTF-8 (the common case by
// far), by the Standard's algorithm where it is not: the two agree on valid
// UTF-8, not on how many U+FFFD a bad sequence makes.
QString DecodeUtf8(QByteArrayView bytes);
void DecodeUtf16(QByteArrayView bytes, bool bigEndian, Output& out);

void DecodeSingleByte(QByteArrayView bytes, const Index& index, Output& out);
void DecodeXUserDefined(QByteArrayView bytes, Output& out);
void DecodeReplacement(QByteArrayView bytes, Output& out);

void DecodeGb18030(QByteArrayView bytes, Output& out); // GBK too: they share the decoder
void DecodeBig5(QByteArrayView bytes, Output& out);

void DecodeEucJp(QByteArrayView bytes, Output& out);
void DecodeIso2022Jp(QByteArrayView bytes, Output& out);
void DecodeShiftJis(QByteArrayView bytes, Output& out);

void DecodeEucKr(QByteArrayView bytes, Output& out);

} // namespace web::encoding
