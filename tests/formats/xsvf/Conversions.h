// Conversions for the tests: SVF or XSVF in memory to portable SVF text or XSVF bytes, with the
// findings and the reader's error folded into the result.
#ifndef KEL_TESTS_XSVF_CONVERSIONS_H
#define KEL_TESTS_XSVF_CONVERSIONS_H

#include <string>
#include <string_view>
#include <vector>

#include "kelsvfreader/Bits.h"
#include "kelsvfwriter/StatementWriter.h"

namespace kelxsvf::test {

struct Converted {
    std::string output;
    std::string error;                  // the reader's
    std::vector<std::string> findings;  // "error: ..." / "warning: ..."
    std::vector<std::string> notes;     // the XSVF reader's
};

enum class To { Svf, Xsvf };

// `spillAbove`: the readers' spill threshold in bytes (0 spills every value).
Converted fromSvf(std::string_view svf, To to, kelsvfwriter::WriterOptions options = {},
                  uint64_t spillAbove = kelsvfreader::kInMemoryBytes);
Converted fromXsvf(std::string_view xsvf, To to, kelsvfwriter::WriterOptions options = {},
                   size_t blockSize = 0, uint64_t spillAbove = kelsvfreader::kInMemoryBytes);

// A case's name as a test name: its letters and digits, words joined by '_'.
std::string caseName(const char* name);

// "08 00 00 00 08" to bytes and back.
std::string bytes(std::string_view hex);
std::string hexOf(std::string_view bytes);

}  // namespace kelxsvf::test

#endif  // KEL_TESTS_XSVF_CONVERSIONS_H
