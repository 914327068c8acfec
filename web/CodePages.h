#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace web {

// Decodes by a charset that Qt's own decoder does not know. Where Qt is built
// with ICU (Linux) it knows them all, and this has none of its own; on Windows
// it is the system's code pages, as the program's Windows ancestors decoded.
// Bytes that make no character become U+FFFD; an unknown name is no text.
std::optional<QString> DecodeByCodePage(const QByteArray& bytes, const QString& charset);

} // namespace web
