#pragma once

#include <QString>

namespace history {

// The folder where the user's programs keep their data: $XDG_DATA_HOME
// (~/.local/share) on Linux, %LOCALAPPDATA% (the local, not the roaming,
// profile: a history can grow large) on Windows.
QString UserDataFolder();

} // namespace history
