// The end of a report written to standard output: a report that did not reach it (a full
// disk, a closed descriptor) is a failure, never a success.
#ifndef KELSVF_REPORT_OUTPUT_H
#define KELSVF_REPORT_OUTPUT_H

namespace kelsvf {

// Flushes standard output. False, with "kelsvf: cannot write standard output: REASON" on
// standard error, when any write of the report or the flush failed.
bool finishReportOutput();

}  // namespace kelsvf

#endif  // KELSVF_REPORT_OUTPUT_H
