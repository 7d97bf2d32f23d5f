// A reader of BSDL (IEEE 1149.1 Boundary-Scan Description Language) files, with the in-system
// configuration (IEEE 1532) instructions and registers that parts ship in the same file. It
// takes the text in blocks cut anywhere and keeps only the attributes it needs, so that memory
// stays bounded by the largest of those, not by the file:
//
//   kelbsdl::BsdlReader reader;
//   while (...) { reader.feed(block); }
//   kelbsdl::Reading reading = reader.finish();
//
// What it reads: the entity name, INSTRUCTION_LENGTH, INSTRUCTION_OPCODE (several opcodes per
// instruction, X bits), INSTRUCTION_CAPTURE, INSTRUCTION_PRIVATE, IDCODE_REGISTER and
// USERCODE_REGISTER, REGISTER_ACCESS (standard registers and named ones with "[length]",
// CAPTURES) and BOUNDARY_LENGTH. Values may be strings joined with '&' over any number of lines,
// with comments ("--") between them, or constants given in the file; names and keywords are read
// in any letter case.
//
// What it skips: the port list, pin maps, cells of the boundary register and every attribute it
// does not need. An unknown attribute, a statement it does not read, or a constant that a used
// package would give and the file does not, is a note, never a failure. Errors are for text that
// is not BSDL or values that contradict each other (an opcode of the wrong length); the first
// one stops the reading. No exception leaves the reader.
#ifndef KELBSDL_BSDL_READER_H
#define KELBSDL_BSDL_READER_H

#include <memory>
#include <string>
#include <string_view>

#include "kelbsdl/BsdlDescription.h"

namespace kelbsdl {

class BsdlReader {
  public:
    BsdlReader();
    ~BsdlReader();
    BsdlReader(BsdlReader&&) noexcept;
    BsdlReader& operator=(BsdlReader&&) noexcept;
    BsdlReader(const BsdlReader&) = delete;
    BsdlReader& operator=(const BsdlReader&) = delete;

    // The next piece of the text; pieces may be cut anywhere, even inside a CR LF.
    void feed(std::string_view block) noexcept;
    // Ends the text and gives what was read. The reader reads nothing after it.
    Reading finish() noexcept;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A whole text, optionally fed in blocks of `blockSize` bytes (tests cross every boundary).
Reading readBsdl(std::string_view text, size_t blockSize = 0);

// Reads the file at `path`. False, with `why` set to the system's reason, when it cannot be
// opened or read; a file that is read but is not sound BSDL gives true and a failed Reading.
bool readBsdlFile(const std::string& path, Reading& reading, std::string& why);

}  // namespace kelbsdl

#endif  // KELBSDL_BSDL_READER_H
