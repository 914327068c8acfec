#pragma once

class QString;

namespace cli {

// Qt's log lines (the web layer's failed transfers and refused settings, say)
// as the program's own messages: "kestrune-cli: " before each, none with
// --quiet (a record names each request that got no answer anyway), and a
// progress line standing on the terminal is taken away first.
void LogAsTheProgram(bool quiet);

// One of the program's own messages on standard error, "kestrune-cli: " before it.
void Say(const QString& text);

// Whether the progress line stands unfinished on the terminal. Lookups log
// on their own threads: such a line takes the progress line's place instead of
// being glued to its end.
void SetProgressLineShown(bool shown);
// Takes it away, if it stands there. True when it did.
bool ClearProgressLine();

} // namespace cli
