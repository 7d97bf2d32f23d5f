// Which fuzz inputs to leave out: texts whose declared lengths could make a run slow or
// exceed the fuzzer's memory limit.
#ifndef KEL_FUZZ_SMALL_NUMBERS_H
#define KEL_FUZZ_SMALL_NUMBERS_H

#include <string_view>

// Lengths are read before their vectors are allocated, and a length may be 2^32-1 bits: texts
// that could declare one beyond about 2^20 are left out, so that a run stays fast and within
// the fuzzer's memory limit (large scans are the unit tests' and the benchmarks' business).
// Outside parentheses and comments, a number with more than six digits before its point, or a
// positive exponent that takes it there, leaves the text out.
bool declaresOnlySmallNumbers(std::string_view text);

#endif  // KEL_FUZZ_SMALL_NUMBERS_H
