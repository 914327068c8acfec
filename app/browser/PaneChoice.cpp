#include "PaneChoice.h"

#include "lookup/SettingsFile.h"

#include <QString>

#include <cstdio>

bool LightPaneChosen()
{
    const QString value = lookup::SettingsValue(QStringLiteral("window"), QStringLiteral("pane"));
    if (value.compare(QLatin1String("light"), Qt::CaseInsensitive) == 0)
        return true;
    if (!value.isEmpty() && value.compare(QLatin1String("web"), Qt::CaseInsensitive) != 0) {
        std::fprintf(stderr,
            "kestrune: settings: [window] pane = \"%s\" is neither web nor light; the web "
            "engine shows the announcement\n",
            qUtf8Printable(value));
        std::fflush(stderr);
    }
    return false;
}
