// copyBits, the bit copy under every padded scan, at aligned and unaligned bit offsets.
#include <benchmark/benchmark.h>

#include <vector>

#include "LargeScan.h"
#include "kel/KelPlugin.h"

namespace kelbench {
namespace {

// Arguments: destination start bit, source start bit, MiB copied.
void BM_CopyBits(benchmark::State& state) {
    const auto dstStart = static_cast<uint32_t>(state.range(0));
    const auto srcStart = static_cast<uint32_t>(state.range(1));
    const uint32_t bitCount = bitsOf(state.range(2));
    const size_t bufferBytes = bitCount / 8 + 2;
    std::vector<uint8_t> destination(bufferBytes, 0);
    std::vector<uint8_t> source(scanData(), scanData() + bitCount / 8);
    source.resize(bufferBytes, 0x5A);
    for (auto _ : state) {
        KelPluginInterface::KelPlugin::copyBits(destination.data(), dstStart, source.data(),
                                                srcStart, bitCount);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.counters["copied_bytes"] = benchmark::Counter(
        static_cast<double>(bitCount / 8), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_CopyBits)
    ->ArgNames({"dst", "src", "MiB"})
    ->Args({0, 0, 64})
    ->Args({4, 4, 64})
    ->Args({0, 3, 64})
    ->Args({5, 0, 64})
    ->Args({3, 5, 64})
    ->Args({3, 5, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelbench
