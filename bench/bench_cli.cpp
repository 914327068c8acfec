// kestrune-cli as people run it, each run a process of its own:
//   startup   --offline for one IMEI: the whole life of the process, goal
//             under 20 ms (QtCore only, nothing of widgets or the web engine)
//   batch/N   64 IMEIs against sample sites that wait 100 ms before each
//             answer, with --jobs N; batch/8 reports its speed-up over
//             batch/1 when both ran (goal: at least 6)
#include "sample-sites/SampleSites.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct Took {
    double seconds = -1; // -1 when it did not end with status 0
    double cpuSeconds = 0; // its own, user and system: what a busy machine does not inflate
};

// Runs the program to its end, output discarded.
Took runCli(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), KESTRUNE_CLI);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto began = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    const double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    auto toSeconds = [](const timeval& time) { return double(time.tv_sec) + time.tv_usec / 1e6; };
    return {seconds, toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime)};
}

void startup(benchmark::State& state)
{
    double cpuSeconds = 0;
    for (auto _ : state) {
        const Took took = runCli({"--offline", "--format", "json", "351111111111111"});
        if (took.seconds < 0) {
            state.SkipWithError("kestrune-cli --offline failed");
            return;
        }
        state.SetIterationTime(took.seconds);
        cpuSeconds += took.cpuSeconds;
    }
    state.counters["cpu_ms"]
        = benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(startup)->UseManualTime()->Unit(benchmark::kMillisecond);

double secondsWithOneJob = 0;

void batch(benchmark::State& state)
{
    const int jobs = int(state.range(0));
    constexpr int Imeis = 64;
    loopback::Server sites([](const loopback::Request& request) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return samples::answer(request);
    });
    for (const auto& [name, value] : samples::environment(sites.base()))
        setenv(name.c_str(), value.c_str(), 1);

    std::vector<std::string> arguments {
        "--quiet", "--format", "json", "--jobs", std::to_string(jobs)};
    for (int i = 0; i < Imeis; ++i)
        arguments.push_back("351111111111111");
    double seconds = 0;
    for (auto _ : state) {
        seconds = runCli(arguments).seconds;
        if (seconds < 0) {
            state.SkipWithError("kestrune-cli did not answer every IMEI");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["imeis_per_s"] = Imeis / seconds;
    if (jobs == 1)
        secondsWithOneJob = seconds;
    else if (secondsWithOneJob > 0)
        state.counters["speedup"] = secondsWithOneJob / seconds;
}
BENCHMARK(batch)->Arg(1)->Arg(8)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
