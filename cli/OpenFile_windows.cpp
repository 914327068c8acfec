#include "OpenFile.h"

namespace cli {

std::FILE* OpenFileForReading(const QString& path)
{
    return ::_wfopen(reinterpret_cast<const wchar_t*>(path.utf16()), L"rb");
}

} // namespace cli
