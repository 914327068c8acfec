#pragma once

#include <QStringList>

namespace cli {

// kestrune-cli history [TEXT] [--since DATE] [--until DATE] [--kind KIND]
//                      [--format FORMAT] [--settings FILE]
// kestrune-cli history --forget IDENTIFIER | --forget-before DATE
// Searches the history, or deletes from it and says how much. `arguments`
// are the program's, "history" among them. Returns the exit status.
int RunHistoryCommand(const QStringList& arguments, bool stdoutIsTerminal);

} // namespace cli
