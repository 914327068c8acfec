#include "SystemBrowser.h"

#include <QProcess>

namespace cli {

bool OpenInSystemBrowser(const QString& address)
{
    // The opener (xdg-open, or a terminal browser it hands over to) reads and
    // writes nothing of ours: the batch's input holds the next identifiers,
    // its output the results. Its messages still reach standard error.
    QProcess opener;
    opener.setProgram(QStringLiteral("xdg-open"));
    opener.setArguments({address});
    opener.setStandardInputFile(QProcess::nullDevice());
    opener.setStandardOutputFile(QProcess::nullDevice());
    return opener.startDetached();
}

} // namespace cli
