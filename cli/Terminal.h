#pragma once

namespace cli {

// Whether a person is likely to read the stream: text rather than JSON Lines
// by default, a progress line only where it can be redrawn.
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

// Made once, first, before anything opens a file: the standard streams carry
// the bytes the program writes (UTF-8, lines ending in "\n") and the terminal
// shows them as such. One that was closed is opened on the null device, so
// that no file the program opens later takes its place (results written into
// an internal descriptor, input read from one).
void PrepareStandardStreams();

// Whether standard input (0), output (1) or error (2) was closed when the
// program started: nothing can be read from it, or written to it.
bool StandardStreamWasClosed(int stream);

} // namespace cli
