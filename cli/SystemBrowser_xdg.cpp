#include "SystemBrowser.h"

#include <QProcess>

namespace cli {

bool OpenInSystemBrowser(const QString& address)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
}

} // namespace cli
