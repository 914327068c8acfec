#pragma once

#include <QByteArray>
#include <QImage>
#include <QUrl>

#include <optional>

// The pictures of the announcement page, read with limits a hostile page
// cannot get past: a picture's header says its size before a pixel is
// decoded, and one too large is never decoded at all.
namespace pictures {

inline constexpr qsizetype MaxBytes = 4 * 1024 * 1024;
inline constexpr int MaxSide = 4096;
// Pictures a page may show, its data: ones included; any further are left out.
inline constexpr int MaxPerPage = 6;

// The picture in `bytes`, made at most `fitWidth` pixels wide (the pane is
// narrow, and a banner meant for a wide page would otherwise have to be
// scrolled sideways); nothing when it is too large, of a kind Qt cannot read,
// or damaged.
std::optional<QImage> Read(const QByteArray& bytes, int fitWidth);

// What a data: address carries (RFC 2397: base64 or percent-encoded);
// nothing for any other address or one that does not read.
std::optional<QByteArray> DataUrlBytes(const QUrl& address);

} // namespace pictures
