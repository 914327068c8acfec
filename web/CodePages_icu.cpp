#include "CodePages.h"

namespace web {

// Qt's decoder, built with ICU, already knows every charset there is.
std::optional<QString> DecodeByCodePage(const QByteArray&, const QString&)
{
    return std::nullopt;
}

} // namespace web
