// Time from the process's start to the window's first paint, and the peak
// memory of the process, for the program's window and for the same window
// without the web engine, in one run. Needs an X server (xvfb-run).
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

extern char** environ;

namespace {

struct Start {
    double secondsToPaint = -1;
    long peakKibibytes = -1;
};

Start startOnce(const char* mode)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);

    char probe[] = KESTRUNE_STARTUP_PROBE;
    char modeArgument[16];
    std::snprintf(modeArgument, sizeof modeArgument, "%s", mode);
    char* argv[] = {probe, modeArgument, nullptr};

    Start start;
    const auto began = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, probe, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }
    FILE* lines = fdopen(out[0], "r");
    char line[128];
    while (std::fgets(line, sizeof line, lines)) {
        if (std::strncmp(line, "painted", 7) == 0)
            start.secondsToPaint
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        else if (std::strncmp(line, "peak ", 5) == 0)
            start.peakKibibytes = std::atol(line + 5);
    }
    std::fclose(lines);
    waitpid(child, nullptr, 0);
    return start;
}

void startUp(benchmark::State& state, const char* mode)
{
    double peak = 0;
    for (auto _ : state) {
        const Start start = startOnce(mode);
        if (start.secondsToPaint < 0 || start.peakKibibytes < 0) {
            state.SkipWithError("the window did not start (is there an X server?)");
            return;
        }
        state.SetIterationTime(start.secondsToPaint);
        peak = std::max(peak, double(start.peakKibibytes));
    }
    state.counters["peak_MiB"] = peak / 1024.0;
}

} // namespace

BENCHMARK_CAPTURE(startUp, bare_window, "bare")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(startUp, with_browser_pane, "full")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

BENCHMARK_MAIN();
