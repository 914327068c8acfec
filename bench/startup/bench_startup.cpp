// The program's window against the same controls without the web engine,
// started in turns in one run, each start a process of its own: the time from
// the start to the first paint, and the memory of the program (once the pane
// has shown its page) and of the web engine's helper processes. Needs an X
// server (xvfb-run). A busy machine slows both kinds alike, so what counts is
// the ratio of the medians, which the run reports with them.
#include "sample-sites/SampleSites.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

struct Start {
    double secondsToPaint = -1;
    long peakKibibytes = -1;
    long helpersKibibytes = -1;
    bool pageFailed = false;
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
        // The window says when it painted: this process may read the line
        // late, while the engine's loading keeps both cores busy.
        if (std::strncmp(line, "painted ", 8) == 0) {
            const std::chrono::steady_clock::time_point painted {
                std::chrono::steady_clock::duration(std::atoll(line + 8))};
            start.secondsToPaint = std::chrono::duration<double>(painted - began).count();
        } else if (std::strncmp(line, "peak ", 5) == 0)
            start.peakKibibytes = std::atol(line + 5);
        else if (std::strncmp(line, "helpers ", 8) == 0)
            start.helpersKibibytes = std::atol(line + 8);
        else if (std::strncmp(line, "page failed", 11) == 0)
            start.pageFailed = true;
    }
    std::fclose(lines);
    waitpid(child, nullptr, 0);
    return start;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One iteration is one start of each kind, in turns (which goes first
// alternates), so that neither kind gets the quieter moments of the machine.
void sideBySide(benchmark::State& state)
{
    // The pane's page from a loopback server, as the tests serve it.
    loopback::Server sites(samples::answer);
    for (const auto& [name, value] : samples::environment(sites.base()))
        setenv(name.c_str(), value.c_str(), 1);

    std::vector<double> bare;
    std::vector<double> full;
    double barePeak = 0;
    double fullPeak = 0;
    double helpersPeak = 0;
    for (auto _ : state) {
        Start starts[2];
        const bool bareFirst = bare.size() % 2 == 0;
        starts[bareFirst ? 0 : 1] = startOnce("bare");
        starts[bareFirst ? 1 : 0] = startOnce("full");
        const Start& bareStart = starts[bareFirst ? 0 : 1];
        const Start& fullStart = starts[bareFirst ? 1 : 0];
        for (const Start& start : starts)
            if (start.secondsToPaint < 0 || start.peakKibibytes < 0) {
                state.SkipWithError("the window did not start (is there an X server?)");
                return;
            }
        if (fullStart.pageFailed) {
            state.SkipWithError("the browser pane did not load its page");
            return;
        }
        state.SetIterationTime(fullStart.secondsToPaint);
        bare.push_back(bareStart.secondsToPaint * 1000);
        full.push_back(fullStart.secondsToPaint * 1000);
        barePeak = std::max(barePeak, bareStart.peakKibibytes / 1024.0);
        fullPeak = std::max(fullPeak, fullStart.peakKibibytes / 1024.0);
        helpersPeak = std::max(helpersPeak, fullStart.helpersKibibytes / 1024.0);
    }
    state.counters["bare_ms"] = median(bare);
    state.counters["full_ms"] = median(full);
    state.counters["ratio"] = median(full) / median(bare);
    state.counters["bare_MiB"] = barePeak;
    state.counters["full_MiB"] = fullPeak;
    state.counters["helpers_MiB"] = helpersPeak;
}

// The window with the light pane against the bare window, in turns: the
// memory the light pane costs the program, and that it starts no helper.
void lightBesideBare(benchmark::State& state)
{
    loopback::Server sites(samples::answer);
    for (const auto& [name, value] : samples::environment(sites.base()))
        setenv(name.c_str(), value.c_str(), 1);

    std::vector<double> bare;
    std::vector<double> light;
    double barePeak = 0;
    double lightPeak = 0;
    double helpersPeak = 0;
    for (auto _ : state) {
        const Start bareStart = startOnce("bare");
        const Start lightStart = startOnce("light");
        for (const Start& start : {bareStart, lightStart})
            if (start.secondsToPaint < 0 || start.peakKibibytes < 0) {
                state.SkipWithError("the window did not start (is there an X server?)");
                return;
            }
        if (lightStart.pageFailed) {
            state.SkipWithError("the light pane did not load its page");
            return;
        }
        state.SetIterationTime(lightStart.secondsToPaint);
        bare.push_back(bareStart.secondsToPaint * 1000);
        light.push_back(lightStart.secondsToPaint * 1000);
        barePeak = std::max(barePeak, bareStart.peakKibibytes / 1024.0);
        lightPeak = std::max(lightPeak, lightStart.peakKibibytes / 1024.0);
        helpersPeak = std::max(helpersPeak, lightStart.helpersKibibytes / 1024.0);
    }
    state.counters["bare_ms"] = median(bare);
    state.counters["light_ms"] = median(light);
    state.counters["bare_MiB"] = barePeak;
    state.counters["light_MiB"] = lightPeak;
    state.counters["light_over_bare_MiB"] = lightPeak - barePeak;
    state.counters["helpers_MiB"] = helpersPeak;
}

} // namespace

// Time is the full window's, per start; the counters are medians (ms) and
// the highest peaks (MiB). The short run is the test command's smoke run.
BENCHMARK(sideBySide)
    ->Name("startUp/side_by_side")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK(sideBySide)
    ->Name("startUp/side_by_side_once")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK(lightBesideBare)
    ->Name("startUp/light_pane")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK(lightBesideBare)
    ->Name("startUp/light_pane_once")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
