// The straightforward SVF scan writer that the plug-in is measured against: one formatted
// stream write per hex byte, the same text as the plug-in's "SDR" statement.
#ifndef KEL_BENCH_REFERENCE_WRITER_H
#define KEL_BENCH_REFERENCE_WRITER_H

#include <cstdint>
#include <cstdio>

namespace kelbench {

// "SDR <n> TDI (<hex>);\r\n", most significant byte first, 20 bytes on the first line and 36 on
// each further one. Needs a bit count that is a multiple of 8 (the benchmarks use whole bytes).
void writeReferenceSdr(FILE* stream, const uint8_t* tdi, uint32_t bitCount);

}  // namespace kelbench

#endif  // KEL_BENCH_REFERENCE_WRITER_H
