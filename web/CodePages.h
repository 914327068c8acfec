#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace web {

// Decodes by a charset that neither the Encoding Standard nor Qt's own decoder
// knows (EBCDIC's IBM037, cp437, UTF-7, ...). Where Qt is built with ICU
// (Linux) Qt knows them all, and this has none of its own; on Windows it is
// the system's code pages. Bytes that make no character become U+FFFD; an
// unknown name is no text.
std::optional<QString> DecodeByCodePage(const QByteArray& bytes, const QString& charset);

} // namespace web
