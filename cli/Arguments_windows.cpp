#include "Arguments.h"

#include <QCoreApplication>

namespace cli {

// Windows hands the command line over as UTF-16, which Qt takes as it is:
// what can be wrong there is a lone surrogate.
QStringList ArgumentsNotText(int, char**)
{
    QStringList notText;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].isValidUtf16())
            notText << arguments[i];
    return notText;
}

} // namespace cli
