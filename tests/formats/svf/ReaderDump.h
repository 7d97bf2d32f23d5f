// The reader's output as text, so that tests state what they expect in a line each, and a run
// that reads the same text in blocks of every size to catch anything that depends on where a
// block ends.
#ifndef KEL_TESTS_SVF_READER_READER_DUMP_H
#define KEL_TESTS_SVF_READER_READER_DUMP_H

#include <string>
#include <string_view>
#include <vector>

#include "kelsvfreader/SvfReader.h"

namespace svfreadertest {

// A bit vector as SVF writes it: ceil(bitCount / 4) hex digits, most significant first.
std::string hexOf(const std::vector<uint8_t>& bits, uint32_t bitCount);

// One statement in one line, e.g. "SDR 12 TDI=abc! MASK=fff SMASK=fff" ('!': given in this
// statement), "RUNTEST run=IDLE count=100TCK min=1500us end=IDLE!" ('~' after an inexact time).
std::string dumpStatement(const kelsvfreader::Statement& statement);

struct ReadResult {
    std::vector<std::string> statements;  // dumped
    std::vector<std::string> notes;       // "kind@line:column"
    std::vector<std::string> noteTexts;
    // "line:column-line:column" of keyword and ';', the bytes read after it, and for a scan
    // whether its length changed, which masks are all ones by default, whether TDI has a line map.
    std::vector<std::string> positions;
    std::string error;  // "line:column: message", empty without one
};

// Reads the whole text in one block, then in blocks of 1, 2, 3 and 7 bytes (or those given);
// every reading must give the same result (a test failure names the block size otherwise).
ReadResult readAll(std::string_view text, const std::vector<size_t>& blockSizes = {1, 2, 3, 7});

// One reading with one block size.
ReadResult readWithBlockSize(std::string_view text, size_t blockSize);

}  // namespace svfreadertest

#endif  // KEL_TESTS_SVF_READER_READER_DUMP_H
