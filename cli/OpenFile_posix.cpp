#include "OpenFile.h"

#include <QFile>

namespace cli {

std::FILE* OpenFileForReading(const QString& path)
{
    return std::fopen(QFile::encodeName(path).constData(), "rb");
}

} // namespace cli
