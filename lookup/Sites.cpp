#include "Sites.h"
#include "SettingsFile.h"

#include "UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QUrl>
#include <QtGlobal>

#include <array>
#include <cstdio>
#include <mutex>
#include <set>

namespace lookup {

namespace {

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

QString asGiven(QString address)
{
    return address;
}

struct Setting {
    QString Sites::*member;
    const char* variable;
    const char* key; // in the settings file's [sites] group
    const char* builtIn;
    QString (*shape)(QString);
};

const std::array<Setting, 6> Settings {{
    {&Sites::warrantyUrl, "KESTRUNE_WARRANTY_URL", "warranty_url",
        "https://selfsolve.warranty.example/wcResults.do", asGiven},
    {&Sites::imeiSite, "KESTRUNE_IMEI_SITE", "imei_site", "https://www.imei-check.example/",
        folder},
    {&Sites::iosSite, "KESTRUNE_IOS_SITE", "ios_site", "https://www.ios-version.example/", folder},
    {&Sites::iccidSite, "KESTRUNE_ICCID_SITE", "iccid_site", "https://www.iccid-lookup.example",
        host},
    {&Sites::makerSite, "KESTRUNE_MAKER_SITE", "maker_site", "https://iccid.kestrune.example/",
        folder},
    {&Sites::shopUrl, "KESTRUNE_SHOP_URL", "shop_url",
        "https://item.shop.example/item.htm?id=520013145678", asGiven},
}};

bool isWebAddress(const QString& value)
{
    const QUrl url(value, QUrl::StrictMode);
    return url.isValid()
        && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !url.host().isEmpty();
}

void complain(const QString& text)
{
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationName()
                                                         : QStringLiteral("kestrune");
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(program), qUtf8Printable(text));
    std::fflush(stderr);
}

QString notUsed(const QString& where, const QString& value)
{
    return QStringLiteral("%1 = \"%2\" is not an http or https address; it is not used")
        .arg(where, value);
}

// What the settings file holds, read once per process: lookups run on
// several threads at once in the command-line program, and each asks.
struct SettingsFile {
    std::mutex mutex;
    QString path = Sites::defaultSettingsFile();
    bool named = false; // by useSettingsFile: then a missing file is an error
    bool read = false;
    bool readable = true;
    std::array<QString, Settings.size()> values;
    // Values of the file that are no web address: said once, and only where
    // the environment does not set a usable one in their place.
    std::array<QString, Settings.size()> refused;
    std::array<bool, Settings.size()> refusalSaid {};
    std::set<QString> envComplaints; // "VARIABLE=value" already said

    static SettingsFile& instance()
    {
        static SettingsFile file;
        return file;
    }

    // Called with the mutex held.
    void readOnce()
    {
        if (read)
            return;
        read = true;
        values = {};
        refused = {};
        refusalSaid = {};
        const QFileInfo info(path);
        if (!info.exists()) {
            readable = !named;
            return;
        }
        QSettings settings(path, QSettings::IniFormat);
        if (!info.isReadable() || settings.status() != QSettings::NoError) {
            readable = false;
            complain(QStringLiteral("%1: cannot be read as a settings file").arg(path));
            return;
        }
        settings.beginGroup(QStringLiteral("sites"));
        for (size_t i = 0; i < Settings.size(); ++i) {
            // An unquoted comma makes QSettings split the value into a list.
            const QString value
                = settings.value(QLatin1String(Settings[i].key)).toStringList().join(',').trimmed();
            if (value.isEmpty())
                continue;
            if (isWebAddress(value))
                values[i] = value;
            else
                refused[i] = value;
        }
    }

    // Called with the mutex held, for a setting whose environment variable
    // gives no usable address: the file's value would have been used.
    void sayRefused(size_t i)
    {
        if (refused[i].isEmpty() || refusalSaid[i])
            return;
        refusalSaid[i] = true;
        complain(notUsed(QStringLiteral("%1: [sites] %2").arg(path, QLatin1String(Settings[i].key)),
            refused[i]));
    }
};

bool environmentSetsAddress(const Setting& setting)
{
    return isWebAddress(qEnvironmentVariable(setting.variable).trimmed());
}

} // namespace

Sites Sites::fromEnvironment()
{
    SettingsFile& file = SettingsFile::instance();
    std::array<QString, Settings.size()> fromFile;
    {
        const std::lock_guard lock(file.mutex);
        file.readOnce();
        fromFile = file.values;
    }

    Sites sites;
    for (size_t i = 0; i < Settings.size(); ++i) {
        const Setting& setting = Settings[i];
        QString value = qEnvironmentVariable(setting.variable).trimmed();
        if (!value.isEmpty() && !isWebAddress(value)) {
            const std::lock_guard lock(file.mutex);
            if (file.envComplaints.insert(QLatin1String(setting.variable) + '=' + value).second)
                complain(notUsed(QLatin1String(setting.variable), value));
            value.clear();
        }
        if (value.isEmpty()) {
            const std::lock_guard lock(file.mutex);
            file.sayRefused(i);
        }
        if (value.isEmpty())
            value = fromFile[i];
        if (value.isEmpty())
            value = QString::fromUtf8(setting.builtIn);
        sites.*setting.member = setting.shape(value);
    }
    return sites;
}

QString Sites::defaultSettingsFile()
{
    return UserConfigFolder() + QStringLiteral("/kestrune/kestrune.conf");
}

void Sites::useSettingsFile(const QString& path)
{
    SettingsFile& file = SettingsFile::instance();
    const std::lock_guard lock(file.mutex);
    file.path = path;
    file.named = true;
    file.read = false;
    file.readable = true;
}

bool Sites::readSettingsFile()
{
    SettingsFile& file = SettingsFile::instance();
    const std::lock_guard lock(file.mutex);
    file.readOnce();
    for (size_t i = 0; i < Settings.size(); ++i)
        if (!environmentSetsAddress(Settings[i]))
            file.sayRefused(i);
    // The default file is only a wish: the program carries on without it.
    return file.readable || !file.named;
}

QString Sites::makerHomePage()
{
    return QStringLiteral("www.kestrune.example");
}

QString SettingsValue(const QString& group, const QString& key)
{
    SettingsFile& file = SettingsFile::instance();
    QString path;
    {
        const std::lock_guard lock(file.mutex);
        file.readOnce();
        if (!file.readable)
            return {};
        path = file.path;
    }
    if (!QFileInfo::exists(path))
        return {};
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(group + QLatin1Char('/') + key).toStringList().join(',').trimmed();
}

} // namespace lookup
