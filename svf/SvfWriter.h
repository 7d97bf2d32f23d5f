// The SVF statement writer: turns one statement into text and hands it to an open stream.
//
// Text is assembled in a fixed block on the caller's stack and handed to the stream (through
// the stream seam) in whole blocks: one write for a short statement, one per block for a long
// one. Memory stays constant whatever the bit count, and nothing is allocated.
#ifndef KEL_SVF_SVF_WRITER_H
#define KEL_SVF_SVF_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace KelPluginInterface::svf {

// The size of the text block; a statement longer than this reaches the stream in pieces.
constexpr size_t kWriterBlockSize = 8192;

// Data bytes on the first line of a scan statement (after "SDR n TDI (") and on each later one.
constexpr uint32_t kFirstLineBytes = 20;
constexpr uint32_t kLineBytes = 36;

enum class RegisterKind : uint32_t { Instruction = 0, Data = 1 };

// What writing one statement came to. False when the stream took fewer bytes than it was given
// (the rest of that statement is then dropped); `error` is the errno of that stream call, 0 when
// it set none.
struct WriteResult {
    bool ok = true;
    int error = 0;
    explicit operator bool() const { return ok; }
};

// A fixed statement such as "STATE RESET;\r\n".
WriteResult writeText(FILE* stream, std::string_view text);

// "RUNTEST <count> TCK;\r\n"; counts are unsigned decimals (bit counts too).
WriteResult writeRunTest(FILE* stream, uint32_t count);

// The parts of one RUNTEST statement; an empty state, zero clocks or zero time is left out.
struct RunTest {
    std::string_view runState;
    uint32_t clocks = 0;
    uint32_t microseconds = 0;  // written as "<us>E-06 SEC"
    std::string_view endState;
};

// "RUNTEST[ <runState>][ <n> TCK][ <us>E-06 SEC][ ENDSTATE <endState>];\r\n".
WriteResult writeRunTest(FILE* stream, const RunTest& run);

// "ENDIR <state>;\r\n" or "ENDDR <state>;\r\n".
WriteResult writeEndState(FILE* stream, RegisterKind kind, std::string_view state);

// "<keyword> <n> TDI (<hex>);\r\n" with every TDI bit taken from fillByte, or "<keyword> 0;\r\n".
// Never broken across lines.
WriteResult writePadStatement(FILE* stream, std::string_view keyword, uint32_t bitCount,
                              uint8_t fillByte);

// "SIR" or "SDR" with the TDI bits of a bit buffer, most significant byte first: at most 20
// bytes on the first line, 36 on each further one, ");" on a line of its own when the last byte
// fills a line. The bits of the top byte above bit n-1 are written as 0; tdi is only read.
// Needs bitCount >= 1 and (bitCount + 7) / 8 readable bytes at tdi.
WriteResult writeScanStatement(FILE* stream, RegisterKind kind, const uint8_t* tdi,
                               uint32_t bitCount);

}  // namespace KelPluginInterface::svf

#endif  // KEL_SVF_SVF_WRITER_H
