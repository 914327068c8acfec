#include "PagePictures.h"

#include <QBuffer>
#include <QImageReader>

namespace pictures {

std::optional<QImage> Read(const QByteArray& bytes, int fitWidth)
{
    if (bytes.size() > MaxBytes)
        return std::nullopt;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The largest picture allowed, at four bytes a pixel; Qt's own check
    // stands behind the one below.
    reader.setAllocationLimit(int(qint64(MaxSide) * MaxSide * 4 / (1024 * 1024)));
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > MaxSide || size.height() > MaxSide)
        return std::nullopt;
    if (fitWidth > 0 && size.width() > fitWidth)
        reader.setScaledSize(size.scaled(fitWidth, MaxSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QByteArray> DataUrlBytes(const QUrl& address)
{
    if (address.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QByteArray whole = address.toEncoded(QUrl::RemoveScheme);
    const qsizetype comma = whole.indexOf(',');
    if (comma < 0)
        return std::nullopt;
    const QByteArray kind = whole.left(comma).toLower();
    const QByteArray payload = QByteArray::fromPercentEncoding(whole.mid(comma + 1));
    if (!kind.endsWith(";base64"))
        return payload;
    auto decoded = QByteArray::fromBase64Encoding(payload, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

} // namespace pictures
