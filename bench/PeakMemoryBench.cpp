// Peak resident memory of one large SDR, each size in a fresh process (kel_bench_peak_memory).
// The caller's own scan buffer is subtracted: what remains is the program, the plug-in and
// whatever the plug-in allocates, which must not grow with the bit count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "BenchFiles.h"

namespace kelbench {
namespace {

struct ProbeResult {
    long peakKiB = 0;
    long beforeWriteKiB = 0;
    long bufferKiB = 0;
};

bool runProbe(int64_t mib, ProbeResult& result) {
    const std::string output = scratchPath("peak-memory.svf");
    const std::string command =
        std::string("'") + KEL_PEAK_MEMORY_PROBE + "' " + std::to_string(mib) + " '" + output + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    const int fields = std::fscanf(pipe, "%ld %ld %ld", &result.peakKiB, &result.beforeWriteKiB,
                                   &result.bufferKiB);
    const int status = pclose(pipe);
    removeFile(output);
    return fields == 3 && status == 0;
}

void BM_PeakMemory(benchmark::State& state) {
    ProbeResult probe;
    for (auto _ : state) {
        if (!runProbe(state.range(0), probe)) {
            state.SkipWithError("the peak-memory probe failed");
            return;
        }
    }
    state.counters["peak_KiB"] = static_cast<double>(probe.peakKiB);
    state.counters["beyond_buffer_KiB"] = static_cast<double>(probe.peakKiB - probe.bufferKiB);
    state.counters["grown_in_write_KiB"] =
        static_cast<double>(probe.peakKiB - probe.beforeWriteKiB);
}

BENCHMARK(BM_PeakMemory)
    ->ArgName("MiB")
    ->Arg(16)
    ->Arg(64)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelbench
