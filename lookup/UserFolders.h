#pragma once

#include <QString>

namespace lookup {

// The folder where the user's programs keep their settings:
// $XDG_CONFIG_HOME (~/.config) on Linux, %APPDATA% (the roaming profile) on
// Windows, where Qt's own settings of a program go too.
QString UserConfigFolder();

// The folder where the user's programs keep their data: $XDG_DATA_HOME
// (~/.local/share) on Linux, %LOCALAPPDATA% (the local, not the roaming,
// profile: a history can grow large) on Windows.
QString UserDataFolder();

} // namespace lookup
