// The benchmarks' results against the performance goals: a console reporter that also keeps
// every result and, at the end, prints the ratios and goals as Markdown tables.
#ifndef KEL_BENCH_SUMMARY_H
#define KEL_BENCH_SUMMARY_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace kelbench {

// One benchmark's result: the median of its repetitions when it was repeated.
struct Measurement {
    double seconds = 0;  // real (or manual) time per iteration
    std::map<std::string, double> counters;
    bool isMedian = false;
};

class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    using benchmark::ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    void record(const Run& run);

    std::map<std::string, Measurement> results_;  // by "function/args", e.g. "BM_FileCopy/MiB:64"
};

}  // namespace kelbench

#endif  // KEL_BENCH_SUMMARY_H
