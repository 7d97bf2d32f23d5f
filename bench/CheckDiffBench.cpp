// kelsvf check and kelsvf diff over the plug-in's file of one 64 MiB SDR on a one-device chain,
// with an instruction loaded before the SDR so that its 512 Mi bits land in a data register of
// the simulated device (the way a bitstream is loaded), not in BYPASS. check plays the file and
// writes its text or JSON report to /dev/null; diff plays the file against itself. The rate is of
// SVF text, per file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchFiles.h"
#include "ChainPlayer.h"
#include "CheckReport.h"
#include "CheckSamples.h"
#include "EffectDiff.h"
#include "LargeScan.h"
#include "PluginSession.h"

namespace kelbench {
namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<kelsvfreader::TextSource> openSample(benchmark::State& state) {
    std::string why;
    auto source = kelsvfreader::openFileSource(checkSample().path, why);
    if (source == nullptr) {
        state.SkipWithError(why.c_str());
    }
    return source;
}

void checkWith(benchmark::State& state, bool json) {
    const CheckSample& sample = checkSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    FILE* devnull = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        auto source = openSample(state);
        if (source == nullptr) {
            break;
        }
        const auto start = Clock::now();
        kelsvfreader::SvfReader reader(std::move(source));
        const std::unique_ptr<kelsvf::check::CheckReport> report =
            json ? kelsvf::check::jsonReport(devnull) : kelsvf::check::textReport(devnull);
        report->begin(sample.path, oneDevice());
        kelsvf::check::ChainPlayer player(oneDevice(), *report);
        const kelsvf::check::PlaySummary summary = player.playAll(reader);
        report->end(summary);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (summary.errors != 0 || summary.drUpdates != 1 || !summary.readToEnd) {
            state.SkipWithError("check did not play the SDR into the data register");
            break;
        }
    }
    std::fclose(devnull);
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(sample.bytes), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Check(benchmark::State& state) {
    checkWith(state, false);
}

void BM_CheckJson(benchmark::State& state) {
    checkWith(state, true);
}

void BM_Diff(benchmark::State& state) {
    const CheckSample& sample = checkSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    for (auto _ : state) {
        auto sourceA = openSample(state);
        auto sourceB = openSample(state);
        if (sourceA == nullptr || sourceB == nullptr) {
            break;
        }
        const auto start = Clock::now();
        kelsvfreader::SvfReader a(std::move(sourceA));
        kelsvfreader::SvfReader b(std::move(sourceB));
        const kelsvf::check::DiffResult result =
            kelsvf::check::EffectDiff(oneDevice()).compare(a, b);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!result.same() || result.summaryA.drUpdates != 1) {
            state.SkipWithError("diff did not find the file the same as itself");
            break;
        }
    }
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(sample.bytes), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_Check)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_CheckJson)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_Diff)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);

}  // namespace
}  // namespace kelbench
