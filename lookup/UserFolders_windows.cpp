#include "UserFolders.h"

#include <QDir>

#include <shlobj.h>

namespace lookup {

namespace {

// The variable first, as users (and the tests) move the folder with it; the
// shell's answer where a process was started without it.
QString knownFolder(const char* variable, REFKNOWNFOLDERID id)
{
    QString folder = qEnvironmentVariable(variable);
    if (folder.isEmpty()) {
        PWSTR path = nullptr;
        if (::SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK)
            folder = QString::fromWCharArray(path);
        ::CoTaskMemFree(path);
    }
    return QDir::fromNativeSeparators(folder);
}

} // namespace

QString UserConfigFolder()
{
    return knownFolder("APPDATA", FOLDERID_RoamingAppData);
}

QString UserDataFolder()
{
    return knownFolder("LOCALAPPDATA", FOLDERID_LocalAppData);
}

} // namespace lookup
