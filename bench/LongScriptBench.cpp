// kelsvf run of a script of 10^7 lines, in a process of its own: its time and its peak
// resident memory, which must not grow with the script's length (the goal: under 256 MiB).
#include <benchmark/benchmark.h>

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

// kelsvf run's peak resident set in KiB, measured by kel_bench_peak_of; -1 when it failed.
long runKelsvf(const std::string& script) {
    return kelsvfPeakKiB("run --no-sync '" + script + "' 2>/dev/null");
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
