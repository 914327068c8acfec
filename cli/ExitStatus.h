#pragma once

// kestrune-cli's exit statuses, as the man page lists them.
namespace cli {

// Looking up
constexpr int ExitAnswered = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNotWritten = 3;
constexpr int ExitIncomplete = 4; // answered, but some request got no answer
constexpr int ExitHistoryNotKept = 5; // every result printed, some records not kept
constexpr int ExitInterrupted = 130; // 128 + SIGINT, as shells report it

// `kestrune-cli history` (ExitUsage and ExitNotWritten as above)
constexpr int ExitDone = 0;
constexpr int ExitNoHistory = 4; // the history cannot be read or changed

} // namespace cli
