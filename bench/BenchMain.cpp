// All benchmarks in one run; the console output ends with the summary tables and the goals.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "Summary.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    kelbench::SummaryReporter reporter(isatty(STDOUT_FILENO) != 0
                                           ? benchmark::ConsoleReporter::OO_Color
                                           : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
