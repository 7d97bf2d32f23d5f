// kelsvf convert's engine over the plug-in's file of one 64 MiB SDR (138 MB of SVF text): SVF to
// XSVF into a file, and that XSVF back to portable SVF into a file. The rate is of SVF text,
// each way. The peak resident memory of the kelsvf convert command itself, each way in a fresh
// process, shows that memory is bounded by the scan, not by the file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchFiles.h"
#include "LargeScan.h"
#include "kelsvfreader/SvfReader.h"
#include "kelsvfwriter/PortableSvfWriter.h"
#include "kelxsvf/XsvfReader.h"
#include "kelxsvf/XsvfWriter.h"

namespace kelbench {
namespace {

using Clock = std::chrono::steady_clock;

// Reads `in` with a reader of type Reader and writes `out` with `writer`'s kind; false on any
// failure.
template <typename Reader, typename Writer>
bool convert(const std::string& in, const std::string& out) {
    std::string why;
    auto source = kelsvfreader::openFileSource(in, why);
    FILE* file = std::fopen(out.c_str(), "wb");
    if (source == nullptr || file == nullptr) {
        if (file != nullptr) {
            std::fclose(file);
        }
        return false;
    }
    Reader reader(std::move(source));
    Writer writer(kelsvfwriter::WriterOptions{}, [file](std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    });
    kelsvfreader::Statement statement;
    while (reader.next(statement) && writer.write(statement)) {
    }
    const bool ok = !reader.failed() && writer.finish() && writer.errorCount() == 0;
    return std::fclose(file) == 0 && ok;
}

// The XSVF of the 64 MiB sample, written once.
const std::string& xsvfSample() {
    static const std::string path = [] {
        const SvfSample& svf = svfSample(64);
        const std::string made = scratchPath("convert-sample-64.xsvf");
        if (!svf.error.empty() ||
            !convert<kelsvfreader::SvfReader, kelxsvf::XsvfWriter>(svf.path, made)) {
            return std::string();
        }
        return made;
    }();
    return path;
}

void BM_ConvertToXsvf(benchmark::State& state) {
    const SvfSample& svf = svfSample(64);
    if (!svf.error.empty()) {
        state.SkipWithError(svf.error.c_str());
        return;
    }
    const std::string out = scratchPath("convert-out.xsvf");
    for (auto _ : state) {
        removeFile(out);
        const auto start = Clock::now();
        const bool ok = convert<kelsvfreader::SvfReader, kelxsvf::XsvfWriter>(svf.path, out);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!ok) {
            state.SkipWithError("the conversion to XSVF failed");
            break;
        }
    }
    removeFile(out);
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(svf.bytes), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ConvertToSvf(benchmark::State& state) {
    const std::string& xsvf = xsvfSample();
    if (xsvf.empty()) {
        state.SkipWithError("cannot write the XSVF sample");
        return;
    }
    const std::string out = scratchPath("convert-out.svf");
    int64_t written = 0;
    for (auto _ : state) {
        removeFile(out);
        const auto start = Clock::now();
        const bool ok = convert<kelxsvf::XsvfReader, kelsvfwriter::PortableSvfWriter>(xsvf, out);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        written = fileSize(out);
        if (!ok) {
            state.SkipWithError("the conversion to SVF failed");
            break;
        }
    }
    removeFile(out);
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(written), benchmark::Counter::kIsIterationInvariantRate);
}

// kelsvf convert IN -o OUT under the small kel_bench_peak_of parent (a child forked from this
// process would count the pages it had before its exec); its peak resident memory in KiB, or -1.
long convertPeakKiB(const std::string& in, const std::string& out) {
    return kelsvfPeakKiB("convert '" + in + "' -o '" + out + "'");
}

void BM_ConvertPeakMemory(benchmark::State& state) {
    const bool toXsvf = state.range(0) == 1;
    const std::string in = toXsvf ? svfSample(64).path : xsvfSample();
    const std::string out = scratchPath(toXsvf ? "peak.xsvf" : "peak.svf");
    long peak = -1;
    for (auto _ : state) {
        peak = convertPeakKiB(in, out);
        removeFile(out);
    }
    if (peak < 0) {
        state.SkipWithError("kelsvf convert failed");
        return;
    }
    state.counters["peak_KiB"] = static_cast<double>(peak);
}

BENCHMARK(BM_ConvertToXsvf)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_ConvertToSvf)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_ConvertPeakMemory)
    ->ArgName("to_xsvf")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelbench
