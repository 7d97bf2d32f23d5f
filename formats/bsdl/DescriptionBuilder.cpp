#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AttributeLists.h"
#include "CollectedText.h"

namespace kelbsdl {
namespace {

// Far beyond any part's instruction register, and small enough that an opcode is a string.
constexpr uint64_t kMaxInstructionLength = 65536;
constexpr size_t kIdcodeLength = 32;

std::string at(Position position) {
    return std::to_string(position.line) + ":" + std::to_string(position.column);
}

// The register the standard gives a standard instruction that REGISTER_ACCESS leaves out.
const char* impliedRegister(const std::string& instruction) {
    static const std::pair<const char*, const char*> kImplied[] = {
        {"BYPASS", "BYPASS"},   {"CLAMP", "BYPASS"},     {"HIGHZ", "BYPASS"},
        {"EXTEST", "BOUNDARY"}, {"SAMPLE", "BOUNDARY"},  {"PRELOAD", "BOUNDARY"},
        {"INTEST", "BOUNDARY"}, {"IDCODE", "DEVICE_ID"}, {"USERCODE", "USERCODE"},
    };
    for (const auto& [name, selected] : kImplied) {
        if (instruction == name) {
            return selected;
        }
    }
    return nullptr;
}

class Builder {
  public:
    Builder(const CollectedText& text, ReadingNotes& notes, Description& out)
        : text_(text), notes_(notes), out_(out), values_{text.constants, {}, {}} {}

    bool build();
    const Error& error() const { return error_; }

  private:
    // The string value of `name`; false when absent, not given (a note) or on an error.
    bool stringValue(const char* name, AttributeText& value);
    bool fail(Position position, std::string message);

    bool readLengths();
    bool readOpcodes();
    bool readPrivate();
    bool readCapture();
    bool readIdcodes();
    bool readUsercode();
    bool readRegisterAccess();
    bool checkRegisterLength(const std::string& name, uint64_t length, Position position);
    void addImpliedRegisters();
    Instruction* instruction(const std::string& name);

    const CollectedText& text_;
    ReadingNotes& notes_;
    Description& out_;
    ValueReader values_;
    bool failed_ = false;
    Error error_;
    std::vector<Register> named_;  // the registers REGISTER_ACCESS names with lengths
};

bool Builder::fail(Position position, std::string message) {
    failed_ = true;
    error_ = {position, std::move(message)};
    return false;
}

bool Builder::stringValue(const char* name, AttributeText& value) {
    const Attribute* attribute = text_.find(name);
    if (attribute == nullptr) {
        return false;
    }
    const ValueResult result = values_.readString(attribute->value, attribute->position, value);
    if (result == ValueResult::NotGiven) {
        notes_.add(attribute->position, std::string(name) + " is not read: it is " + values_.why);
    } else if (result == ValueResult::Failed) {
        fail(values_.error.position, std::string(name) + ": " + values_.error.message);
    }
    return result == ValueResult::Read;
}

bool Builder::readLengths() {
    const Attribute* length = text_.find("INSTRUCTION_LENGTH");
    if (length == nullptr) {
        return fail(text_.entityPosition, "entity " + text_.entity + " has no INSTRUCTION_LENGTH");
    }
    uint64_t value = 0;
    const ValueResult result = values_.readNumber(length->value, length->position, value);
    if (result == ValueResult::NotGiven) {
        return fail(length->position, "INSTRUCTION_LENGTH is " + values_.why);
    }
    if (result == ValueResult::Failed) {
        return fail(values_.error.position, "INSTRUCTION_LENGTH: " + values_.error.message);
    }
    if (value == 0 || value > kMaxInstructionLength) {
        return fail(length->position, "INSTRUCTION_LENGTH " + std::to_string(value) +
                                          " is not a length from 1 to " +
                                          std::to_string(kMaxInstructionLength));
    }
    out_.instructionLength = static_cast<uint32_t>(value);

    if (const Attribute* boundary = text_.find("BOUNDARY_LENGTH")) {
        const ValueResult boundaryResult =
            values_.readNumber(boundary->value, boundary->position, value);
        if (boundaryResult == ValueResult::Failed) {
            return fail(values_.error.position, "BOUNDARY_LENGTH: " + values_.error.message);
        }
        if (boundaryResult == ValueResult::NotGiven) {
            notes_.add(boundary->position, "BOUNDARY_LENGTH is not read: it is " + values_.why);
        } else {
            out_.boundaryLength = value;
        }
    }
    return true;
}

Instruction* Builder::instruction(const std::string& name) {
    for (Instruction& candidate : out_.instructions) {
        if (candidate.name == name) {
            return &candidate;
        }
    }
    return nullptr;
}

bool Builder::readOpcodes() {
    AttributeText value;
    if (!stringValue("INSTRUCTION_OPCODE", value)) {
        if (!failed_ && text_.find("INSTRUCTION_OPCODE") == nullptr) {
            notes_.add(text_.entityPosition, "entity " + text_.entity +
                                                 " has no INSTRUCTION_OPCODE: its instructions "
                                                 "are not known");
        }
        return !failed_;
    }
    AttributeLists lists(value, "INSTRUCTION_OPCODE", notes_);
    std::vector<OpcodeEntry> entries;
    if (!lists.opcodes(entries)) {
        return fail(lists.error().position, lists.error().message);
    }
    for (OpcodeEntry& entry : entries) {
        for (const BitPattern& opcode : entry.opcodes) {
            if (opcode.length() != out_.instructionLength) {
                return fail(opcode.position, "INSTRUCTION_OPCODE: the opcode " + opcode.bits +
                                                 " of " + entry.instruction.name + " has " +
                                                 std::to_string(opcode.length()) +
                                                 " bits; INSTRUCTION_LENGTH is " +
                                                 std::to_string(out_.instructionLength));
            }
        }
        if (Instruction* earlier = instruction(entry.instruction.name)) {
            notes_.add(entry.instruction.position,
                       entry.instruction.name + " is listed again (first at " +
                           at(earlier->position) + "): its opcodes are all read");
            for (BitPattern& opcode : entry.opcodes) {
                earlier->opcodes.push_back(std::move(opcode));
            }
            continue;
        }
        Instruction added;
        added.name = std::move(entry.instruction.name);
        added.position = entry.instruction.position;
        added.opcodes = std::move(entry.opcodes);
        out_.instructions.push_back(std::move(added));
    }
    return true;
}

bool Builder::readPrivate() {
    AttributeText value;
    if (!stringValue("INSTRUCTION_PRIVATE", value)) {
        return !failed_;
    }
    AttributeLists lists(value, "INSTRUCTION_PRIVATE", notes_);
    std::vector<NameAt> names;
    if (!lists.names(names)) {
        return fail(lists.error().position, lists.error().message);
    }
    for (const NameAt& name : names) {
        if (Instruction* found = instruction(name.name)) {
            found->isPrivate = true;
        } else {
            notes_.add(name.position, "INSTRUCTION_PRIVATE names " + name.name +
                                          ", which INSTRUCTION_OPCODE does not list");
        }
    }
    return true;
}

bool Builder::readCapture() {
    AttributeText value;
    if (!stringValue("INSTRUCTION_CAPTURE", value)) {
        return !failed_;
    }
    AttributeLists lists(value, "INSTRUCTION_CAPTURE", notes_);
    std::vector<BitPattern> patterns;
    if (!lists.patterns(patterns)) {
        return fail(lists.error().position, lists.error().message);
    }
    if (patterns.size() != 1 || patterns[0].length() != out_.instructionLength) {
        return fail(patterns[0].position, "INSTRUCTION_CAPTURE must be one pattern of " +
                                              std::to_string(out_.instructionLength) +
                                              " bits (INSTRUCTION_LENGTH)");
    }
    out_.instructionCapture = std::move(patterns[0]);
    return true;
}

bool Builder::readIdcodes() {
    AttributeText value;
    if (!stringValue("IDCODE_REGISTER", value)) {
        return !failed_;
    }
    AttributeLists lists(value, "IDCODE_REGISTER", notes_);
    if (!lists.patterns(out_.idcodes)) {
        return fail(lists.error().position, lists.error().message);
    }
    for (const BitPattern& idcode : out_.idcodes) {
        if (idcode.length() != kIdcodeLength) {
            return fail(idcode.position, "IDCODE_REGISTER: the IDCODE " + idcode.bits + " has " +
                                             std::to_string(idcode.length()) + " bits, not 32");
        }
        if (idcode.bit(0) != '1') {
            notes_.add(idcode.position, "IDCODE_REGISTER: bit 0 of an IDCODE is 1, this one has " +
                                            std::string(1, idcode.bit(0)));
        }
    }
    return true;
}

bool Builder::readUsercode() {
    AttributeText value;
    if (!stringValue("USERCODE_REGISTER", value)) {
        return !failed_;
    }
    AttributeLists lists(value, "USERCODE_REGISTER", notes_);
    std::vector<BitPattern> patterns;
    if (!lists.patterns(patterns)) {
        return fail(lists.error().position, lists.error().message);
    }
    if (patterns.size() != 1 || patterns[0].length() != kIdcodeLength) {
        return fail(patterns[0].position, "USERCODE_REGISTER must be one pattern of 32 bits");
    }
    out_.usercode = std::move(patterns[0]);
    return true;
}

bool Builder::checkRegisterLength(const std::string& name, uint64_t length, Position position) {
    std::optional<uint64_t> standard;
    if (name == "BYPASS") {
        standard = 1;
    } else if (name == "DEVICE_ID" || name == "USERCODE") {
        standard = kIdcodeLength;
    } else if (name == "BOUNDARY") {
        standard = out_.boundaryLength;
    }
    if (standard && *standard != length) {
        return fail(position, "REGISTER_ACCESS: " + name + "[" + std::to_string(length) +
                                  "], but " + name + " has " + std::to_string(*standard) + " bits");
    }
    for (Register& known : named_) {
        if (known.name != name) {
            continue;
        }
        if (known.length && *known.length != length) {
            return fail(position, "REGISTER_ACCESS: " + name + "[" + std::to_string(length) +
                                      "], but it is " + name + "[" + std::to_string(*known.length) +
                                      "] at " + at(known.position));
        }
        known.length = length;
    }
    return true;
}

bool Builder::readRegisterAccess() {
    AttributeText value;
    if (!stringValue("REGISTER_ACCESS", value)) {
        return !failed_;
    }
    AttributeLists lists(value, "REGISTER_ACCESS", notes_);
    std::vector<AccessEntry> entries;
    if (!lists.registerAccess(entries)) {
        return fail(lists.error().position, lists.error().message);
    }
    for (AccessEntry& entry : entries) {
        const std::string& name = entry.registerName.name;
        const bool standard =
            name == "BYPASS" || name == "BOUNDARY" || name == "DEVICE_ID" || name == "USERCODE";
        if (!standard) {
            bool known = false;
            for (const Register& earlier : named_) {
                known = known || earlier.name == name;
            }
            if (!known) {
                named_.push_back({name, std::nullopt, entry.registerName.position});
            }
        }
        if (entry.length &&
            !checkRegisterLength(name, *entry.length, entry.registerName.position)) {
            return false;
        }
        for (AccessedInstruction& accessed : entry.instructions) {
            Instruction* selecting = instruction(accessed.instruction.name);
            if (selecting == nullptr) {
                notes_.add(accessed.instruction.position,
                           "REGISTER_ACCESS names " + accessed.instruction.name +
                               ", which INSTRUCTION_OPCODE does not list");
                continue;
            }
            if (!selecting->registerName.empty() && selecting->registerName != name) {
                notes_.add(accessed.instruction.position,
                           "REGISTER_ACCESS: " + selecting->name + " selects " +
                               selecting->registerName + " already; " + name + " is ignored");
                continue;
            }
            selecting->registerName = name;
            if (accessed.captures) {
                selecting->captures = std::move(accessed.captures);
            }
        }
    }
    return true;
}

void Builder::addImpliedRegisters() {
    for (Instruction& instruction : out_.instructions) {
        if (instruction.registerName.empty()) {
            if (const char* implied = impliedRegister(instruction.name)) {
                instruction.registerName = implied;
            }
        }
    }
    const auto selected = [&](const char* name) {
        for (const Instruction& instruction : out_.instructions) {
            if (instruction.registerName == name) {
                return true;
            }
        }
        return false;
    };
    out_.registers.push_back({"BYPASS", 1, {}});
    if (out_.boundaryLength || selected("BOUNDARY")) {
        out_.registers.push_back({"BOUNDARY", out_.boundaryLength, {}});
    }
    if (!out_.idcodes.empty() || selected("DEVICE_ID")) {
        out_.registers.push_back({"DEVICE_ID", kIdcodeLength, {}});
    }
    if (out_.usercode || selected("USERCODE")) {
        out_.registers.push_back({"USERCODE", kIdcodeLength, {}});
    }
    for (Register& named : named_) {
        if (!named.length) {
            notes_.add(named.position,
                       "REGISTER_ACCESS: " + named.name + " has no [length]; it is not known");
        }
        out_.registers.push_back(std::move(named));
    }
}

bool Builder::build() {
    out_.entity = text_.entity;
    out_.entityPosition = text_.entityPosition;
    out_.packages = text_.packages;
    out_.hasIscAttributes = text_.hasIscAttributes;
    if (!readLengths() || !readOpcodes() || !readPrivate() || !readCapture() || !readIdcodes() ||
        !readUsercode() || !readRegisterAccess()) {
        return false;
    }
    addImpliedRegisters();
    for (const Instruction& instruction : out_.instructions) {
        const std::optional<uint64_t> length = out_.registerLength(instruction);
        if (instruction.captures && length && instruction.captures->length() != *length) {
            return fail(instruction.captures->position,
                        "REGISTER_ACCESS: " + instruction.name + " CAPTURES " +
                            std::to_string(instruction.captures->length()) + " bits; " +
                            instruction.registerName + " has " + std::to_string(*length));
        }
    }
    return true;
}

}  // namespace

bool buildDescription(const CollectedText& text, ReadingNotes& notes, Description& description,
                      Error& error) {
    Builder builder(text, notes, description);
    if (!builder.build()) {
        error = builder.error();
        return false;
    }
    return true;
}

}  // namespace kelbsdl
