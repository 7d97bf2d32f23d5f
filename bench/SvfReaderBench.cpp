// The SVF reader over the plug-in's file of one large SDR: from the file (read in 64 KiB blocks,
// as the checking tools read it) and from the text in memory (the parsing alone). The rate is
// of SVF text, the measure the checking tools' goal is set in.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "LargeScan.h"
#include "kelsvfreader/SvfReader.h"

namespace kelbench {
namespace {

using Clock = std::chrono::steady_clock;

enum class From { File, Memory };

void BM_SvfReader(benchmark::State& state, From from) {
    const int64_t mib = state.range(0);
    const SvfSample& sample = svfSample(mib);
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    const std::string text = from == From::Memory ? readWhole(sample.path) : std::string();
    for (auto _ : state) {
        std::string why;
        std::unique_ptr<kelsvfreader::TextSource> source =
            from == From::File ? kelsvfreader::openFileSource(sample.path, why)
                               : kelsvfreader::stringSource(text);
        if (source == nullptr) {
            state.SkipWithError(why.c_str());
            break;
        }
        const auto start = Clock::now();
        kelsvfreader::SvfReader reader(std::move(source));
        kelsvfreader::Statement statement;
        uint64_t scannedBits = 0;
        while (reader.next(statement)) {
            if (statement.scan != nullptr) {
                scannedBits += statement.scan->bitCount;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (reader.failed() || scannedBits < bitsOf(mib)) {
            state.SkipWithError("the reader did not read the whole SDR");
            break;
        }
    }
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(sample.bytes), benchmark::Counter::kIsIterationInvariantRate);
}

void readerSizes(benchmark::internal::Benchmark* bench) {
    bench->ArgName("MiB")->Arg(1)->Arg(16)->Arg(64);
    bench->UseManualTime()->Unit(benchmark::kMillisecond);
    bench->Repetitions(3)->DisplayAggregatesOnly(true);
}

BENCHMARK_CAPTURE(BM_SvfReader, file, From::File)->Apply(readerSizes);
BENCHMARK_CAPTURE(BM_SvfReader, memory, From::Memory)->Apply(readerSizes);

}  // namespace
}  // namespace kelbench
