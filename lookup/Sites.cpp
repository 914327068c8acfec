#include "Sites.h"

#include <QtGlobal>

namespace lookup {

namespace {

QString setting(const char* variable, const char* builtIn)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    return value.isEmpty() ? QString::fromUtf8(builtIn) : value;
}

// A home page that the site's other pages are named after ("validate.php"
// beside it): given with or without its closing "/", it is read as a folder.
QString folder(QString address)
{
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return address;
}

// Scheme and host, to which the page's own path is added.
QString host(QString address)
{
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

} // namespace

Sites Sites::fromEnvironment()
{
    return {
        setting("KESTRUNE_WARRANTY_URL", "https://selfsolve.warranty.example/wcResults.do"),
        folder(setting("KESTRUNE_IMEI_SITE", "https://www.imei-check.example/")),
        folder(setting("KESTRUNE_IOS_SITE", "https://www.ios-version.example/")),
        host(setting("KESTRUNE_ICCID_SITE", "https://www.iccid-lookup.example")),
        folder(setting("KESTRUNE_MAKER_SITE", "https://iccid.kestrune.example/")),
        setting("KESTRUNE_SHOP_URL", "https://item.shop.example/item.htm?id=520013145678"),
    };
}

QString Sites::makerHomePage()
{
    return QStringLiteral("www.kestrune.example");
}

} // namespace lookup
