#pragma once

#include <QString>

namespace lookup {

// Every address the program uses, in one place. Each has a built-in default
// and an environment variable that replaces it, for anyone whose site has
// moved, for the sample sites and for the tests. The built-in hosts we made up
// are under the reserved ".example" domain, so no stranger's server is asked.
struct Sites {
    QString warrantyUrl; // KESTRUNE_WARRANTY_URL: the warranty-check service, ".../wcResults.do"
    QString imeiSite; // KESTRUNE_IMEI_SITE: the IMEI check site's home page, ending in "/"
    QString iosSite; // KESTRUNE_IOS_SITE: the iOS version site's home page, ending in "/"
    QString iccidSite; // KESTRUNE_ICCID_SITE: scheme and host of the ICCID site
    QString makerSite; // KESTRUNE_MAKER_SITE: the maker's ICCID web site, ending in "/"
    QString shopUrl; // KESTRUNE_SHOP_URL: the maker's shop listing

    // Read afresh on every call: it costs six getenv calls, and lets a test
    // point a lookup at its own server before it runs.
    static Sites fromEnvironment();

    // The maker's home page as the caption names it; shown, never fetched.
    static QString makerHomePage();

    QString announcementPage() const { return makerSite + QStringLiteral("gonggao.html"); }
    QString replacedDevicePage() const { return makerSite + QStringLiteral("huanji.html"); }
    QString iccidResultPage() const { return iccidSite + QStringLiteral("/iccid/result.php"); }
    QString imeiValidatePage() const { return imeiSite + QStringLiteral("validate.php"); }
    QString iosResultPage() const { return iosSite + QStringLiteral("result/"); }
};

} // namespace lookup
