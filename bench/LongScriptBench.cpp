// kelsvf run of a script of 10^7 lines, in a process of its own: its time and its peak
// resident memory, which must not grow with the script's length (the goal: under 256 MiB).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "BenchFiles.h"

namespace kelbench {
namespace {

constexpr long kLines = 10'000'000;

// Three devices, and every line a data register write to the middle one, so that each line
// is a whole parse, check, plug-in call and SVF statement.
bool writeScript(const std::string& path, const std::string& output) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "open fname=%s type=SVF\nlock\nchain 6 8 10\n", output.c_str());
    for (long line = 4; line < kLines; ++line) {
        std::fputs("dr 1 32 12345678\n", file);
    }
    std::fputs("unlock\n", file);
    return std::fclose(file) == 0;
}

// Runs kelsvf and gives its peak resident set in KiB, or -1 when it did not succeed.
long runKelsvf(const std::string& script) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        ::execl(KEL_KELSVF_PATH, "kelsvf", "run", "--no-sync", script.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

void BM_LongScript(benchmark::State& state) {
    const std::string script = scratchPath("long-script.kel");
    const std::string output = scratchPath("long-script.svf");
    if (!writeScript(script, output)) {
        state.SkipWithError("cannot write the script");
        return;
    }
    long peakKiB = -1;
    for (auto _ : state) {
        peakKiB = runKelsvf(script);
        if (peakKiB < 0) {
            state.SkipWithError("kelsvf run failed");
            break;
        }
    }
    state.counters["peak_KiB"] = static_cast<double>(peakKiB);
    state.counters["lines"] = static_cast<double>(kLines);
    removeFile(script);
    removeFile(output);
}

BENCHMARK(BM_LongScript)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace kelbench
