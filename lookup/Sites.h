#pragma once

#include <QString>

namespace lookup {

// Every address the program uses, in one place. Each is taken from the first
// of three sources that has it: an environment variable (for the sample sites
// and the tests), the settings file (for a desktop user whose site has moved),
// the built-in default. The built-in hosts we made up are under the reserved
// ".example" domain, so no stranger's server is asked.
//
// The settings file is kestrune/kestrune.conf in the user's settings folder
// ($XDG_CONFIG_HOME or ~/.config on Linux, %APPDATA% on Windows), INI form, group [sites], the keys below. A value that
// is not an http or https address is not used: the program says so once on
// standard error and takes the next source.
struct Sites {
    // Each with its environment variable and its key in the file.
    QString warrantyUrl; // KESTRUNE_WARRANTY_URL, warranty_url: ".../wcResults.do"
    QString imeiSite; // KESTRUNE_IMEI_SITE, imei_site: home page, ending in "/"
    QString iosSite; // KESTRUNE_IOS_SITE, ios_site: home page, ending in "/"
    QString iccidSite; // KESTRUNE_ICCID_SITE, iccid_site: scheme and host
    QString makerSite; // KESTRUNE_MAKER_SITE, maker_site: ending in "/"
    QString shopUrl; // KESTRUNE_SHOP_URL, shop_url: the maker's shop listing

    // Called for every lookup. The environment is read afresh on every call:
    // six getenv calls, and a test can point a lookup at its own server before
    // it runs. The settings file is read once per process, by whichever
    // thread comes first.
    static Sites fromEnvironment();

    // Where the settings file is looked for unless another one is named.
    static QString defaultSettingsFile();
    // Names another settings file (the command line's --settings) and forgets
    // what was read from the previous one. Call it before lookups start.
    static void useSettingsFile(const QString& path);
    // Reads the settings file now, if it has not been read yet, so that what
    // it gets wrong is said before the first lookup. False when a file named
    // by useSettingsFile cannot be read; the default file may be missing or
    // unreadable (that is said on standard error) without stopping anyone.
    static bool readSettingsFile();

    // The maker's home page as the caption names it; shown, never fetched.
    static QString makerHomePage();

    QString announcementPage() const { return makerSite + QStringLiteral("gonggao.html"); }
    QString replacedDevicePage() const { return makerSite + QStringLiteral("huanji.html"); }
    QString iccidResultPage() const { return iccidSite + QStringLiteral("/iccid/result.php"); }
    QString imeiValidatePage() const { return imeiSite + QStringLiteral("validate.php"); }
    QString iosResultPage() const { return iosSite + QStringLiteral("result/"); }
};

} // namespace lookup
