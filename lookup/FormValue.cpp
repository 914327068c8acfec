#include "FormValue.h"

#include <QByteArray>

namespace lookup {

QString FormValue(const QString& value)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    QByteArray encoded;
    for (const char byte : value.toUtf8()) {
        const auto code = static_cast<unsigned char>(byte);
        const bool plain = (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')
            || (code >= 'a' && code <= 'z') || code == '-' || code == '.' || code == '_'
            || code == '~';
        if (plain) {
            encoded += byte;
        } else {
            encoded += '%';
            encoded += Hex[code >> 4];
            encoded += Hex[code & 0x0F];
        }
    }
    return QString::fromLatin1(encoded);
}

} // namespace lookup
