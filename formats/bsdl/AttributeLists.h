// The lists that BSDL writes inside attribute strings: INSTRUCTION_OPCODE
// ("NAME (bits, bits), ..."), REGISTER_ACCESS ("REGISTER[length] (NAME CAPTURES bits, ...),
// ..."), INSTRUCTION_PRIVATE ("NAME, NAME") and patterns ("bits, bits").
#ifndef KELBSDL_ATTRIBUTE_LISTS_H
#define KELBSDL_ATTRIBUTE_LISTS_H

#include <optional>
#include <string>
#include <vector>

#include "AttributeText.h"
#include "ReadingNotes.h"

namespace kelbsdl {

struct NameAt {
    std::string name;
    Position position;
};

struct OpcodeEntry {
    NameAt instruction;
    std::vector<BitPattern> opcodes;
};

struct AccessedInstruction {
    NameAt instruction;
    std::optional<BitPattern> captures;
};

struct AccessEntry {
    NameAt registerName;
    std::optional<uint64_t> length;
    std::vector<AccessedInstruction> instructions;
};

// Reads one attribute's list. A missing comma between entries, a comma after the last and an
// empty list are notes (hand-written files have them); anything else out of place is an error.
class AttributeLists {
  public:
    AttributeLists(const AttributeText& text, const char* attribute, ReadingNotes& notes)
        : fields_(text), attribute_(attribute), notes_(notes) {}

    bool opcodes(std::vector<OpcodeEntry>& out);
    bool registerAccess(std::vector<AccessEntry>& out);
    bool names(std::vector<NameAt>& out);
    bool patterns(std::vector<BitPattern>& out);

    const Error& error() const { return error_; }

  private:
    bool name(const char* what, NameAt& out);
    bool symbol(const char* text);
    bool pattern(BitPattern& out);
    // After an entry: true to read another, false at the end (or on an error, see failed_).
    bool another();
    bool fail(const Field& at, std::string message);

    AttributeFields fields_;
    const char* attribute_;
    ReadingNotes& notes_;
    bool failed_ = false;
    Error error_;
};

}  // namespace kelbsdl

#endif  // KELBSDL_ATTRIBUTE_LISTS_H
