// One large SDR through the public writeDeviceDR of the loaded plug-in, into a file and into
// /dev/null; beside it the per-byte reference writer and a plain copy of a file of the same size.
// Each iteration times only the write and the close that flushes it; opening the target and
// removing the previous file are left out, for every contender alike.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "BenchFiles.h"
#include "LargeScan.h"
#include "PluginSession.h"
#include "ReferenceWriter.h"

namespace kelbench {
namespace {

enum class Destination { File, DevNull };

std::string destinationPath(Destination destination, const char* name) {
    return destination == Destination::File ? scratchPath(name) : "/dev/null";
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reports the SVF text rate; every contender of one size moves the same number of bytes.
void countText(benchmark::State& state, const SvfSample& sample) {
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(sample.bytes), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SdrPlugin(benchmark::State& state, Destination destination) {
    const int64_t mib = state.range(0);
    const SvfSample& sample = svfSample(mib);
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    registerCallbacks(Callbacks::NoOp);
    const std::string path = destinationPath(destination, "plugin.svf");
    for (auto _ : state) {
        if (destination == Destination::File) {
            removeFile(path);
        }
        std::optional<PluginSession> session(std::in_place, path, 1);
        if (!session->ready()) {
            state.SkipWithError("cannot open the target");
            break;
        }
        const auto start = Clock::now();
        const KelResult result =
            session->target().writeDeviceDR(0, scanData(), nullptr, bitsOf(mib),
                                            KelPluginInterface::KELJTAG_RUN_TEST_IDLE, kNoContext);
        const bool closed = session->close();
        state.SetIterationTime(secondsSince(start));
        if (kelFailed(result) || !closed) {
            state.SkipWithError("writeDeviceDR or closeTarget failed");
            break;
        }
    }
    countText(state, sample);
}

void BM_SdrReference(benchmark::State& state, Destination destination) {
    const int64_t mib = state.range(0);
    const SvfSample& sample = svfSample(mib);
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    const std::string path = destinationPath(destination, "reference.svf");
    for (auto _ : state) {
        if (destination == Destination::File) {
            removeFile(path);
        }
        FILE* stream = std::fopen(path.c_str(), "wb");
        if (stream == nullptr) {
            state.SkipWithError("cannot open the reference file");
            break;
        }
        const auto start = Clock::now();
        writeReferenceSdr(stream, scanData(), bitsOf(mib));
        std::fclose(stream);
        state.SetIterationTime(secondsSince(start));
    }
    countText(state, sample);
}

void BM_FileCopy(benchmark::State& state) {
    const SvfSample& sample = svfSample(state.range(0));
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    const std::string path = scratchPath("copy.svf");
    for (auto _ : state) {
        removeFile(path);
        const auto start = Clock::now();
        const bool copied = copyFile(sample.path, path);
        state.SetIterationTime(secondsSince(start));
        if (!copied) {
            state.SkipWithError("copy failed");
            break;
        }
    }
    countText(state, sample);
}

// Whole seconds of work per run at the largest size: three repetitions, median reported.
void largeScanSizes(benchmark::internal::Benchmark* bench) {
    bench->ArgName("MiB")->Arg(1)->Arg(16)->Arg(64);
    bench->UseManualTime()->Unit(benchmark::kMillisecond);
    bench->Repetitions(3)->DisplayAggregatesOnly(true);
}

BENCHMARK_CAPTURE(BM_SdrPlugin, file, Destination::File)->Apply(largeScanSizes);
BENCHMARK_CAPTURE(BM_SdrPlugin, devnull, Destination::DevNull)->Apply(largeScanSizes);
BENCHMARK_CAPTURE(BM_SdrReference, file, Destination::File)->Apply(largeScanSizes);
BENCHMARK_CAPTURE(BM_SdrReference, devnull, Destination::DevNull)->Apply(largeScanSizes);
BENCHMARK(BM_FileCopy)->Apply(largeScanSizes);

}  // namespace
}  // namespace kelbench
