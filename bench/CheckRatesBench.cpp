// kelsvf check and diff on the statement-heavy file, in text and in JSON, and OpenOCD's svf on
// its dummy adapter playing the same files (and the 64 MiB SDR file) in the same run, for the
// rates side by side. The rate is of SVF text, per file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchFiles.h"
#include "ChainPlayer.h"
#include "CheckReport.h"
#include "CheckSamples.h"
#include "EffectDiff.h"

namespace kelbench {
namespace {

using Clock = std::chrono::steady_clock;

void setTextRate(benchmark::State& state, const CheckSample& sample) {
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(sample.bytes), benchmark::Counter::kIsIterationInvariantRate);
}

std::unique_ptr<kelsvfreader::TextSource> open(benchmark::State& state, const CheckSample& sample) {
    std::string why;
    auto source = kelsvfreader::openFileSource(sample.path, why);
    if (source == nullptr) {
        state.SkipWithError(why.c_str());
    }
    return source;
}

// Arg 0: the text report, 1: JSON; both into /dev/null.
void BM_CheckStatements(benchmark::State& state) {
    const CheckSample& sample = statementSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    FILE* devnull = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        auto source = open(state, sample);
        if (source == nullptr) {
            break;
        }
        const auto start = Clock::now();
        kelsvfreader::SvfReader reader(std::move(source));
        const auto report = state.range(0) == 0 ? kelsvf::check::textReport(devnull)
                                                : kelsvf::check::jsonReport(devnull);
        report->begin(sample.path, statementDevice());
        kelsvf::check::ChainPlayer player(statementDevice(), *report);
        const kelsvf::check::PlaySummary summary = player.playAll(reader);
        report->end(summary);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (summary.errors != 0 || !summary.readToEnd) {
            state.SkipWithError("check found errors in the statement file");
            break;
        }
    }
    std::fclose(devnull);
    setTextRate(state, sample);
}

void BM_DiffStatements(benchmark::State& state) {
    const CheckSample& sample = statementSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    for (auto _ : state) {
        auto sourceA = open(state, sample);
        auto sourceB = open(state, sample);
        if (sourceA == nullptr || sourceB == nullptr) {
            break;
        }
        const auto start = Clock::now();
        kelsvfreader::SvfReader a(std::move(sourceA));
        kelsvfreader::SvfReader b(std::move(sourceB));
        kelsvf::check::EffectDiffOptions options;
        options.playInParallel = state.range(0) == 2;
        const auto result = kelsvf::check::EffectDiff(statementDevice(), options).compare(a, b);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!result.same()) {
            state.SkipWithError("diff did not find the statement file the same as itself");
            break;
        }
    }
    setTextRate(state, sample);
}

// OpenOCD's svf command on its dummy adapter, one tap; arg 0: the 64 MiB SDR file, 1: the
// statement file. The time is the whole process's, start-up included.
void BM_OpenOcdSvf(benchmark::State& state) {
    if (std::system("command -v openocd > /dev/null 2>&1") != 0) {
        state.SkipWithError("openocd is not installed");
        return;
    }
    const bool statements = state.range(0) == 1;
    const CheckSample& sample = statements ? statementSample() : checkSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    const std::string config = scratchPath("openocd-bench.cfg");
    std::ofstream(config) << "adapter driver dummy\ntransport select jtag\nadapter speed 1000\n"
                          << "jtag newtap dev0 tap -irlen " << (statements ? 10 : 8)
                          << " -ircapture 0 -irmask 0\ninit\nsvf -quiet {" << sample.path
                          << "}\nshutdown\n";
    const std::string command = "openocd -f '" + config + "' > /dev/null 2>&1";
    for (auto _ : state) {
        const auto start = Clock::now();
        const int status = std::system(command.c_str());
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (status != 0) {
            state.SkipWithError("openocd did not play the file");
            break;
        }
    }
    setTextRate(state, sample);
}

BENCHMARK(BM_CheckStatements)
    ->ArgName("json")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
// threads 2: file B played on a thread of its own (the default); 1: both in turn on one.
BENCHMARK(BM_DiffStatements)
    ->ArgName("threads")
    ->Arg(2)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_OpenOcdSvf)
    ->ArgName("statements")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace kelbench
