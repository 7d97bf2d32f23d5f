// Peak resident memory of kelsvf check on each sample file, in a fresh process: what the
// reader, the player and the report hold, whatever the file declares.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "CheckSamples.h"

namespace kelbench {
namespace {

// The child's peak resident set in KiB, or -1.
long peakOfCheck(const CheckSample& sample, const std::string& irLength) {
    const pid_t child = fork();
    if (child == 0) {
        if (freopen("/dev/null", "w", stdout) == nullptr) {
            _exit(127);
        }
        execl(KELSVF_PATH, KELSVF_PATH, "check", sample.path.c_str(), "--irlen", irLength.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1) {
        return -1;
    }
    return usage.ru_maxrss;
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
