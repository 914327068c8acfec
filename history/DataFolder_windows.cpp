#include "DataFolder.h"

#include <QDir>

#include <shlobj.h>

namespace history {

QString UserDataFolder()
{
    // %LOCALAPPDATA% first, as users (and the tests) move it with the
    // variable; the shell's answer where a process was started without it.
    QString folder = qEnvironmentVariable("LOCALAPPDATA");
    if (folder.isEmpty()) {
        PWSTR path = nullptr;
        if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path) == S_OK)
            folder = QString::fromWCharArray(path);
        ::CoTaskMemFree(path);
    }
    return QDir::fromNativeSeparators(folder);
}

} // namespace history
