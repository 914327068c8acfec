#include "Sites.h"

#include <QtGlobal>

namespace lookup {

namespace {

QString setting(const char* variable, const char* builtIn)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    return value.isEmpty() ? QString::fromUtf8(builtIn) : value;
}

} // namespace

Sites Sites::fromEnvironment()
{
    return {
        setting("KESTRUNE_WARRANTY_URL", "https://selfsolve.warranty.example/wcResults.do"),
        setting("KESTRUNE_IMEI_SITE", "https://www.imei-check.example/"),
        setting("KESTRUNE_IOS_SITE", "https://www.ios-version.example/"),
        setting("KESTRUNE_ICCID_SITE", "https://www.iccid-lookup.example"),
        setting("KESTRUNE_MAKER_SITE", "https://iccid.kestrune.example/"),
        setting("KESTRUNE_SHOP_URL", "https://item.shop.example/item.htm?id=520013145678"),
    };
}

QString Sites::makerHomePage()
{
    return QStringLiteral("www.kestrune.example");
}

} // namespace lookup
