#include "RegexJit.h"

namespace web {

void SetUpRegexJit()
{
    // Native thread-local storage: Qt's per-thread JIT stack ends cleanly.
}

} // namespace web
