// What a BSDL file tells about one part: its instruction register, its instructions with their
// opcodes and the data register each selects, the IDCODE and the boundary length. Every name is
// upper case, as BSDL's names are read in any letter case.
#ifndef KELBSDL_BSDL_DESCRIPTION_H
#define KELBSDL_BSDL_DESCRIPTION_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelbsdl {

// A place in the text: line and column both count from 1. A line ends at LF, CR LF or a bare
// CR; columns count bytes.
struct Position {
    uint64_t line = 0;
    uint64_t column = 0;
};

// A pattern of '0', '1' and 'X' (either), as BSDL writes opcodes, captures and IDCODEs: the
// leftmost character is the most significant bit, the rightmost is bit 0, the one nearest TDO
// and the first shifted out.
struct BitPattern {
    std::string bits;
    Position position;

    size_t length() const { return bits.size(); }
    // Bit i as '0', '1' or 'X'; i below length().
    char bit(size_t i) const { return bits[bits.size() - 1 - i]; }
    // Whether `value` in the bit-buffer convention (bit i in bit i % 8 of byte i / 8) agrees
    // with every bit that is not X; `value` must hold length() bits.
    bool matches(const std::vector<uint8_t>& value) const;
    // The same for a pattern of at most 64 bits.
    bool matches(uint64_t value) const;
    // Patterns of at most 64 bits: the value with X as 0, and the bits that are not X.
    uint64_t value() const;
    uint64_t careMask() const;
};

struct Instruction {
    std::string name;
    std::vector<BitPattern> opcodes;  // one or more
    bool isPrivate = false;           // INSTRUCTION_PRIVATE
    // The data register it selects: from REGISTER_ACCESS, or the one the standard gives the
    // standard instructions; empty when the file does not say.
    std::string registerName;
    // REGISTER_ACCESS "NAME (INSTRUCTION CAPTURES bits)": what the register captures under it.
    std::optional<BitPattern> captures;
    Position position;  // its name in INSTRUCTION_OPCODE
};

struct Register {
    std::string name;
    std::optional<uint64_t> length;  // unknown for a named register without "[length]"
    Position position;               // where REGISTER_ACCESS names it; 0:0 when implied
};

struct Description {
    std::string entity;
    Position entityPosition;
    uint32_t instructionLength = 0;
    std::optional<BitPattern> instructionCapture;
    std::vector<BitPattern> idcodes;  // 32 bits each; the first is the part's
    std::optional<BitPattern> usercode;
    std::optional<uint64_t> boundaryLength;
    std::vector<Instruction> instructions;  // in the order of INSTRUCTION_OPCODE
    // BYPASS, BOUNDARY, DEVICE_ID and USERCODE where the part has them, then the others in the
    // order REGISTER_ACCESS names them.
    std::vector<Register> registers;
    std::vector<std::string> packages;  // the packages of the use clauses
    bool hasIscAttributes = false;      // in-system configuration (ISC_*) attributes are present

    const Instruction* findInstruction(std::string_view name) const;
    const Register* findRegister(std::string_view name) const;
    // The length of the register `instruction` selects, when known.
    std::optional<uint64_t> registerLength(const Instruction& instruction) const;
    // The instructions whose opcodes match `opcode` (instructionLength bits, bit-buffer
    // convention), in file order; parts give SAMPLE and PRELOAD one opcode.
    std::vector<const Instruction*> instructionsFor(const std::vector<uint8_t>& opcode) const;
};

struct Note {
    Position position;
    std::string text;
};

struct Error {
    Position position;
    std::string message;
};

// What reading a file gave: the description (meaningful unless failed), the notes about what
// was skipped or is doubtful, or the error that stopped the reading.
struct Reading {
    Description description;
    std::vector<Note> notes;
    uint64_t notesLeftOut = 0;  // past the first kMaxNotes
    bool failed = false;
    Error error;
};

constexpr size_t kMaxNotes = 200;

}  // namespace kelbsdl

#endif  // KELBSDL_BSDL_DESCRIPTION_H
