#pragma once

namespace cli {

// Whether a person is likely to read the stream: text rather than JSON Lines
// by default, a progress line only where it can be redrawn.
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

// Made once, first: the standard streams carry the bytes the program writes
// (UTF-8, lines ending in "\n") and the terminal shows them as such.
void PrepareStandardStreams();

} // namespace cli
