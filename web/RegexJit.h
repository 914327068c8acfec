#pragma once

namespace web {

// Settles, before the process compiles its first pattern, whether Qt may
// compile regular expressions to machine code. Lookup threads match patterns
// and end; where Qt keeps its per-thread stack for such code in storage that
// the thread's end frees before the stack's destructor runs (MinGW's emulated
// thread-local storage), each such end would crash on freed memory, so there
// it is off. One body per toolchain.
void SetUpRegexJit();

} // namespace web
