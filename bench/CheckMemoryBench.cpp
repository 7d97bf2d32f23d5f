// Peak resident memory of kelsvf check on each sample file, and of kelsvf diff of each file
// against itself, in a fresh process: what the readers, the players, the report and the
// comparison hold, whatever the file declares.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

#include "BenchFiles.h"
#include "CheckSamples.h"

namespace kelbench {
namespace {

// kelsvf check's (diff's) peak resident set in KiB, or -1, measured by kel_bench_peak_of.
long peakOf(bool diff, const CheckSample& sample, const std::string& irLength) {
    const std::string file = "'" + sample.path + "' ";
    return kelsvfPeakKiB((diff ? "diff " + file + file : "check " + file) + "--irlen " + irLength,
                         1);
}

// Arg: 0 the 64 MiB SDR file, 1 the statement file, 2 "SDR 4294967295 TDI (0);", 3 eight
// instructions with SDRs of 10^9 bits.
void peakMemory(benchmark::State& state, bool diff) {
    const CheckSample* samples[] = {&checkSample(), &statementSample(), &hugeLengthSample(),
                                    &eightInstructionSample()};
    const char* irLengths[] = {"8", "10", "8", "64"};
    const auto which = static_cast<size_t>(state.range(0));
    long peak = -1;
    for (auto _ : state) {
        peak = peakOf(diff, *samples[which], irLengths[which]);
        if (peak < 0) {
            state.SkipWithError(diff ? "kelsvf diff did not find the file the same as itself"
                                     : "kelsvf check did not run to its end");
            return;
        }
    }
    state.counters["peak_KiB"] = static_cast<double>(peak);
}

void BM_CheckPeakMemory(benchmark::State& state) {
    peakMemory(state, false);
}

void BM_DiffPeakMemory(benchmark::State& state) {
    peakMemory(state, true);
}

BENCHMARK(BM_CheckPeakMemory)
    ->ArgName("file")
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffPeakMemory)
    ->ArgName("file")
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelbench
