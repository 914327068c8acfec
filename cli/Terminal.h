#pragma once

namespace cli {

// Whether a person is likely to read the stream: text rather than JSON Lines
// by default, a progress line only where it can be redrawn.
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

} // namespace cli
