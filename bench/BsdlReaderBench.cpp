// The BSDL reader over a file of 20,000 lines: a part of 2,000 boundary cells with its port
// list, pin map, cells and comments, the way large parts' files are written. From the file
// (as kelsvf bsdl reads it) and from the text in memory (the parsing alone); and kelsvf bsdl's
// whole work, the file read and its report made as text or JSON.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchFiles.h"
#include "commands/BsdlReport.h"
#include "kelbsdl/BsdlReader.h"

namespace kelbench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 20000;
constexpr int kCells = 2000;
constexpr int kPins = kCells / 2;

std::string largeBsdl() {
    std::string text;
    int lines = 0;
    const auto line = [&](const std::string& content) {
        text += content;
        text += "\n";
        ++lines;
    };
    line("entity BIG2000 is");
    line("generic (PHYSICAL_PIN_MAP : string := \"BGA1156\");");
    line("port (");
    for (int pin = 0; pin < kPins; ++pin) {
        line("    IO_" + std::to_string(pin) + " : inout bit; -- bank " + std::to_string(pin / 50));
    }
    line("    TCK, TMS, TDI : in bit; TDO : out bit);");
    line("use STD_1149_1_2001.all;");
    line("attribute PIN_MAP of BIG2000 : entity is PHYSICAL_PIN_MAP;");
    line("constant BGA1156 : PIN_MAP_STRING :=");
    for (int pin = 0; pin < kPins; ++pin) {
        line("    \"IO_" + std::to_string(pin) + ":" + static_cast<char>('A' + pin % 26) +
             std::to_string(pin / 26 + 1) + ",\" &");
    }
    line("    \"TCK:AP1, TMS:AP2, TDI:AP3, TDO:AP4\";");
    line("attribute INSTRUCTION_LENGTH of BIG2000 : entity is 10;");
    line("attribute INSTRUCTION_OPCODE of BIG2000 : entity is");
    for (int code = 0; code < 64; ++code) {
        std::string bits = "1100000000";
        for (int bit = 0; bit < 6; ++bit) {
            bits[9 - static_cast<size_t>(bit)] = (code >> bit) & 1 ? '1' : '0';
        }
        line("    \"USER" + std::to_string(code) + " (" + bits + ")," + "\" &");
    }
    line("    \"BYPASS (1111111111), EXTEST (0000000000), SAMPLE (0000000001)\";");
    line("attribute INSTRUCTION_CAPTURE of BIG2000 : entity is \"XXXXXXXX01\";");
    line("attribute IDCODE_REGISTER of BIG2000 : entity is \"XXXX\" & \"0001001000110100\" &");
    line("    \"00011001101\" & \"1\";");
    line("attribute REGISTER_ACCESS of BIG2000 : entity is");
    for (int code = 0; code < 63; ++code) {
        line("    \"R" + std::to_string(code) + "[" + std::to_string(code + 1) + "] (USER" +
             std::to_string(code) + ")," + "\" &");
    }
    line("    \"R63[64] (USER63)\";");
    line("attribute BOUNDARY_LENGTH of BIG2000 : entity is " + std::to_string(kCells) + ";");
    line("attribute BOUNDARY_REGISTER of BIG2000 : entity is");
    // The comment lines between cells bring the file to kLines.
    const int commentsPerCell = (kLines - lines - kCells - 1) / kCells;
    for (int cell = kCells - 1; cell >= 0; --cell) {
        for (int comment = 0; comment < commentsPerCell; ++comment) {
            line("    -- cell " + std::to_string(cell) + ": pad IO_" + std::to_string(cell / 2));
        }
        const std::string pin = "IO_" + std::to_string(cell / 2);
        line("    \"" + std::to_string(cell) +
             (cell % 2 ? " (BC_1, " + pin + ", output3, X, " + std::to_string(cell - 1) + ", 0, Z)"
                       : " (BC_1, " + pin + ", input, X)") +
             (cell > 0 ? ",\" &" : "\";"));
    }
    while (lines < kLines - 1) {
        line("-- end of the boundary register");
    }
    line("end BIG2000;");
    return text;
}

struct BsdlSample {
    std::string path;
    std::string text;
    std::string error;
};

const BsdlSample& bsdlSample() {
    static const BsdlSample sample = [] {
        BsdlSample made;
        made.text = largeBsdl();
        made.path = scratchPath("big2000.bsd");
        FILE* out = std::fopen(made.path.c_str(), "wb");
        const bool written = out != nullptr && std::fwrite(made.text.data(), 1, made.text.size(),
                                                           out) == made.text.size();
        if (out == nullptr || std::fclose(out) != 0 || !written) {
            made.error = "cannot write " + made.path;
        }
        return made;
    }();
    return sample;
}

enum class From { File, Memory };

void BM_BsdlReader(benchmark::State& state, From from) {
    const BsdlSample& sample = bsdlSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        kelbsdl::Reading reading;
        std::string why;
        const bool read = from == From::File ? kelbsdl::readBsdlFile(sample.path, reading, why)
                                             : (reading = kelbsdl::readBsdl(sample.text), true);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!read || reading.failed || reading.description.boundaryLength != kCells ||
            reading.description.instructions.size() != 67) {
            state.SkipWithError(
                ("the reader did not read the part: " + why + reading.error.message).c_str());
            break;
        }
    }
    state.counters["text_bytes"] = benchmark::Counter(
        static_cast<double>(sample.text.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["lines"] = kLines;
}

enum class Report { Text, Json };

void BM_KelsvfBsdl(benchmark::State& state, Report form) {
    const BsdlSample& sample = bsdlSample();
    if (!sample.error.empty()) {
        state.SkipWithError(sample.error.c_str());
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        kelbsdl::Reading reading;
        std::string why;
        const bool read = kelbsdl::readBsdlFile(sample.path, reading, why);
        const std::string report = !read || reading.failed ? std::string()
                                   : form == Report::Json  ? kelsvf::bsdlJson(sample.path, reading)
                                                           : kelsvf::bsdlText(reading.description);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (report.empty()) {
            state.SkipWithError("kelsvf bsdl did not read the part");
            break;
        }
        benchmark::DoNotOptimize(report.data());
    }
}

BENCHMARK_CAPTURE(BM_KelsvfBsdl, text, Report::Text)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_KelsvfBsdl, json, Report::Json)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_BsdlReader, file, From::File)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_BsdlReader, memory, From::Memory)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);

}  // namespace
}  // namespace kelbench
