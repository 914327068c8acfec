#include "Arguments.h"

#include <QStringDecoder>

namespace cli {

QStringList ArgumentsNotText(int argc, char** argv)
{
    QStringList notText;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(QByteArrayView(argv[i]));
        if (decoder.hasError())
            notText << QString::fromLocal8Bit(argv[i]);
    }
    return notText;
}

} // namespace cli
