// The BSDL reader on any text: it must never crash or hang, and the same text read whole and
// cut into small blocks (a boundary may fall inside a word, a string, a comment's "--" or a
// CR LF) must give the same description, notes and error. What it gives must hold together:
// every opcode and the capture are of the instruction length, every IDCODE of 32 bits, every
// pattern only 0, 1 and X, and the notes within their bound.
//
// Input: the first byte picks the block size (1 to 16 bytes), the rest is the text.
#include <cstdint>
#include <string>
#include <string_view>

#include "CheckingCallbacks.h"
#include "kelbsdl/BsdlReader.h"

namespace {

using namespace kelbsdl;

std::string at(const Position& position) {
    return std::to_string(position.line) + ":" + std::to_string(position.column);
}

void checkPattern(const BitPattern& pattern, size_t length, const std::string& what) {
    KEL_FUZZ_CHECK(pattern.length() == length,
                   what + ": " + pattern.bits + " is not of " + std::to_string(length) + " bits");
    KEL_FUZZ_CHECK(pattern.bits.find_first_not_of("01X") == std::string::npos,
                   what + ": " + pattern.bits + " holds more than 0, 1 and X");
}

std::string describe(const Reading& reading) {
    std::string out;
    for (const Note& note : reading.notes) {
        KEL_FUZZ_CHECK(!note.text.empty(), "a note without text");
        out += "note " + at(note.position) + " " + note.text + "\n";
    }
    KEL_FUZZ_CHECK(reading.notes.size() <= kMaxNotes, "more notes than kMaxNotes");
    out += "left out " + std::to_string(reading.notesLeftOut) + "\n";
    if (reading.failed) {
        KEL_FUZZ_CHECK(!reading.error.message.empty(), "an error without a message");
        return out + "error " + at(reading.error.position) + " " + reading.error.message;
    }
    const Description& part = reading.description;
    KEL_FUZZ_CHECK(part.instructionLength > 0, "read without an instruction length");
    out += part.entity + " " + std::to_string(part.instructionLength) + "\n";
    if (part.instructionCapture) {
        checkPattern(*part.instructionCapture, part.instructionLength, "capture");
        out += "capture " + part.instructionCapture->bits + "\n";
    }
    for (const BitPattern& idcode : part.idcodes) {
        checkPattern(idcode, 32, "IDCODE");
        out += "idcode " + idcode.bits + "\n";
    }
    for (const Instruction& instruction : part.instructions) {
        KEL_FUZZ_CHECK(!instruction.opcodes.empty(), instruction.name + " without an opcode");
        out += instruction.name + (instruction.isPrivate ? " private" : "") + " ->" +
               instruction.registerName;
        for (const BitPattern& opcode : instruction.opcodes) {
            checkPattern(opcode, part.instructionLength, instruction.name);
            out += " " + opcode.bits + "@" + at(opcode.position);
        }
        out += "\n";
    }
    for (const Register& selected : part.registers) {
        out +=
            selected.name + " " + (selected.length ? std::to_string(*selected.length) : "?") + "\n";
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t blockSize = 1 + data[0] % 16;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string whole = describe(readBsdl(text));
    const std::string cut = describe(readBsdl(text, blockSize));
    KEL_FUZZ_CHECK(whole == cut, "blocks of " + std::to_string(blockSize) +
                                     " bytes read otherwise:\n" + cut + "\ninstead of:\n" + whole);
    return 0;
}
