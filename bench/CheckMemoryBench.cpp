// Peak resident memory of kelsvf check on each sample file, in a fresh process: what the
// reader, the player and the report hold, whatever the file declares.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

#include "CheckSamples.h"

namespace kelbench {
namespace {

// kelsvf check's peak resident set in KiB, or -1, measured by kel_bench_peak_of.
long peakOfCheck(const CheckSample& sample, const std::string& irLength) {
    const std::string command = std::string("'") + KEL_PEAK_OF + "' '" + KELSVF_PATH + "' check '" +
                                sample.path + "' --irlen " + irLength;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    long peak = -1;
    int exitCode = -1;
    const int fields = std::fscanf(pipe, "%ld %d", &peak, &exitCode);
    const int status = pclose(pipe);
    return fields == 2 && status == 0 && exitCode <= 1 ? peak : -1;
}

// Arg: 0 the 64 MiB SDR file, 1 the statement file, 2 "SDR 4294967295 TDI (0);", 3 eight
// instructions with SDRs of 10^9 bits.
void BM_CheckPeakMemory(benchmark::State& state) {
    const CheckSample* samples[] = {&checkSample(), &statementSample(), &hugeLengthSample(),
                                    &eightInstructionSample()};
    const char* irLengths[] = {"8", "10", "8", "64"};
    const auto which = static_cast<size_t>(state.range(0));
    long peak = -1;
    for (auto _ : state) {
        peak = peakOfCheck(*samples[which], irLengths[which]);
        if (peak < 0) {
            state.SkipWithError("kelsvf check did not run to its end");
            return;
        }
    }
    state.counters["peak_KiB"] = static_cast<double>(peak);
}

BENCHMARK(BM_CheckPeakMemory)
    ->ArgName("file")
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelbench
