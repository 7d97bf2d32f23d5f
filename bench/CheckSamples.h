// The files the check and diff benchmarks play, each written once into the scratch directory:
// the plug-in's file of one 64 MiB SDR loaded into a data register, a statement-heavy file in
// the shape of a CPLD programming file, and the small files whose declared lengths are huge.
#ifndef KEL_BENCH_CHECK_SAMPLES_H
#define KEL_BENCH_CHECK_SAMPLES_H

#include <cstdint>
#include <string>

#include "ChainDescription.h"

namespace kelbench {

struct CheckSample {
    std::string path;
    int64_t bytes = 0;
    std::string error;
};

// One 64 MiB SDR (138 MB of text) after an instruction that is neither BYPASS nor IDCODE.
const CheckSample& checkSample();
// 51 MB: a 10-bit IR loaded once, then "SDR 16 TDI (7FFF);" and "RUNTEST 10 TCK;" alternating,
// a "RUNTEST 50003 TCK;" every 500 statements, verify reads with TDO and MASK every 7th.
const CheckSample& statementSample();
// "SDR 4294967295 TDI (0);", and eight pairs of "SIR 64 TDI (k); SDR 1000000000 TDI (0);".
const CheckSample& hugeLengthSample();
const CheckSample& eightInstructionSample();

// The one-device chain of the plug-in's files (IR 8), and the statement file's (IR 10).
kelsvf::check::ChainDescription oneDevice();
kelsvf::check::ChainDescription statementDevice();

}  // namespace kelbench

#endif  // KEL_BENCH_CHECK_SAMPLES_H
