#include "RegexJit.h"

#include <QByteArray>

namespace web {

void SetUpRegexJit()
{
    // Qt reads it when it compiles its first pattern. Without the JIT, Qt
    // never touches its per-thread stack, so no thread has one to free.
    qputenv("QT_ENABLE_REGEXP_JIT", QByteArrayLiteral("0"));
}

} // namespace web
