// The report of kelsvf check, as text or as one JSON document, written while the file plays.
#ifndef KELSVF_CHECK_CHECK_REPORT_H
#define KELSVF_CHECK_CHECK_REPORT_H

#include <cstdio>
#include <memory>
#include <string>

#include "ChainDescription.h"
#include "PlayEvents.h"

namespace kelsvf::check {

class CheckReport : public PlaySink {
  public:
    // Before the first event: the file's name as the user gave it, and the chain.
    virtual void begin(const std::string& fileName, const ChainDescription& chain) = 0;
    // After the last event.
    virtual void end(const PlaySummary& summary) = 0;
};

// Text, one line an event ("x.svf:7: device 0 ir 3f (6 bits)"), then the summary.
std::unique_ptr<CheckReport> textReport(std::FILE* out);
// Text a person reads: per device the instructions loaded, the DR lengths under each and the
// runs of data, the IDCODE and TDO checks, the summary, and the findings grouped by kind.
std::unique_ptr<CheckReport> summaryReport(std::FILE* out);

// The summary both text reports end with: clocks, waits, replay time, counts and the loads
// that change non-volatile state; then the line with the errors and warnings of `fileName`.
void printSummary(std::FILE* out, const ChainDescription& chain, const PlaySummary& summary);
void printResult(std::FILE* out, const std::string& fileName, const PlaySummary& summary);
// One JSON document: {"file", "chain", "events": [...], "summary", "result"}, an event a line;
// values past 256 bits shortened unless `fullValues`.
std::unique_ptr<CheckReport> jsonReport(std::FILE* out, bool fullValues = false);

// "1 MHz", "12.5 MHz", "32768 Hz": a frequency as people write it.
std::string frequencyText(double hertz);

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_CHECK_REPORT_H
