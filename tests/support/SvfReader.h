// A small SVF reader for tests and fuzzers: it parses the statements a file holds and gives back
// the bits each one carries, so that what a target wrote can be compared with what it was asked
// to write. It reads the SVF subset that matters for that (state, run, end-state, header, trailer
// and scan statements), tolerates any white space, line breaks and comments, and refuses anything
// it does not understand rather than guessing.
#ifndef KEL_TESTS_SUPPORT_SVF_READER_H
#define KEL_TESTS_SUPPORT_SVF_READER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace svftest {

// What a RUNTEST statement asks for: [run state] [n TCK] [<us>E-06 SEC] [ENDSTATE end state].
// States are the names of the four states SVF can hold (RESET, IDLE, DRPAUSE, IRPAUSE), empty
// when not given; at least one of the clocks and the time is given.
struct SvfRun {
    std::string runState;
    std::optional<uint64_t> clocks;
    std::optional<uint64_t> microseconds;  // only whole microseconds, written "<n>E-06 SEC"
    std::string endState;
};

struct SvfStatement {
    // Upper-cased first word: "STATE", "RUNTEST", "HIR", "TIR", "HDR", "TDR", "SIR", "SDR", ...
    std::string keyword;
    // The other words of a statement that is not a header, trailer or scan ("IDLE"; "100",
    // "TCK"), upper-cased.
    std::vector<std::string> words;
    // Header, trailer and scan statements: the length and, when given, the TDI bits in the
    // bit-buffer convention (bit i in bit i % 8 of byte i / 8), (bitCount + 7) / 8 bytes.
    uint32_t bitCount = 0;
    bool hasTdi = false;
    std::vector<uint8_t> tdi;
    // The other vectors of a scan statement (TDO, MASK, SMASK), if any, by name.
    std::vector<std::string> otherVectors;
    // RUNTEST statements.
    std::optional<SvfRun> run;
};

struct SvfParse {
    std::vector<SvfStatement> statements;
    // Empty when the whole text was read; otherwise why and where reading stopped.
    std::string error;

    bool ok() const { return error.empty(); }
};

SvfParse parseSvf(std::string_view text);

// True for HIR, TIR, HDR, TDR, SIR and SDR, the statements that carry a length and bit vectors.
bool isShiftKeyword(std::string_view keyword);

// True for RESET, IDLE, DRPAUSE and IRPAUSE.
bool isStableStateName(std::string_view name);

// Bit i of a bit buffer of the reader's convention.
inline bool bitAt(const std::vector<uint8_t>& bits, uint32_t index) {
    return ((static_cast<unsigned>(bits[index / 8]) >> (index % 8)) & 1u) != 0;
}

}  // namespace svftest

#endif  // KEL_TESTS_SUPPORT_SVF_READER_H
