#include "Locales.h"

#include <array>

namespace fuzz {

const QLocale& localeFor(std::uint8_t choice)
{
    static const std::array<QLocale, 8> locales {QLocale::c(), QLocale("en_US"), QLocale("zh_CN"),
        QLocale("es_ES"), QLocale("fr_FR"), QLocale("de_DE"), QLocale("bas_CM"), QLocale("ar_EG")};
    return locales[choice % locales.size()];
}

} // namespace fuzz
