#include "PartRules.h"

#include <array>

namespace kelsvf::check {
namespace {

// Codes an opcode with X bits may stand for in the table; a wider one stays of unknown length.
constexpr uint64_t kMaxCodesPerOpcode = 4096;
constexpr size_t kMaxKnownInstructions = 4096;

// Whether `part` occurs in `name` at a word boundary on its left (the start or after '_').
bool hasWordPart(std::string_view name, std::string_view part) {
    for (size_t at = name.find(part); at != std::string_view::npos; at = name.find(part, at + 1)) {
        if (at == 0 || name[at - 1] == '_') {
            return true;
        }
    }
    return false;
}

// Every code `opcode` matches, X bits taking each value.
std::vector<uint64_t> codesOf(const kelbsdl::BitPattern& opcode) {
    std::vector<uint64_t> open;
    for (size_t bit = 0; bit < opcode.length() && bit < 64; ++bit) {
        if (opcode.bit(bit) == 'X') {
            open.push_back(bit);
        }
    }
    if (open.size() >= 63 || (uint64_t{1} << open.size()) > kMaxCodesPerOpcode) {
        return {};
    }
    std::vector<uint64_t> codes;
    for (uint64_t choice = 0; choice < (uint64_t{1} << open.size()); ++choice) {
        uint64_t code = opcode.value();
        for (size_t k = 0; k < open.size(); ++k) {
            code |= ((choice >> k) & 1u) << open[k];
        }
        codes.push_back(code);
    }
    return codes;
}

}  // namespace

void describePart(DeviceDescription& device, std::shared_ptr<const kelbsdl::Description> part) {
    device.irLength = part->instructionLength;
    if (!device.idcode) {
        // Without an IDCODE register a reset selects BYPASS, as the standard has it.
        device.idcode =
            part->idcodes.empty() ? 0u : static_cast<uint32_t>(part->idcodes.front().value());
        device.idcodeCare = part->idcodes.empty()
                                ? 0xFFFFFFFFu
                                : static_cast<uint32_t>(part->idcodes.front().careMask());
    }
    const uint64_t bypass =
        device.irLength >= 64 ? ~uint64_t{0} : (uint64_t{1} << device.irLength) - 1;
    device.instructions.clear();
    for (const kelbsdl::Instruction& instruction : part->instructions) {
        const std::optional<uint64_t> length = part->registerLength(instruction);
        if (!length || *length == 0) {
            continue;  // a register the file does not give: of unknown length
        }
        for (const kelbsdl::BitPattern& opcode : instruction.opcodes) {
            for (const uint64_t code : codesOf(opcode)) {
                if (device.instructions.size() >= kMaxKnownInstructions) {
                    break;
                }
                if (code == bypass || device.instruction(code) != nullptr) {
                    continue;  // the all-ones code is BYPASS; the first name of a code wins
                }
                KnownInstruction known;
                known.opcode = code;
                known.name = instruction.registerName;  // the register, as messages name it
                known.length = *length;
                known.capturesIdcode = instruction.registerName == "DEVICE_ID";
                known.bypass = instruction.registerName == "BYPASS";
                device.instructions.push_back(std::move(known));
            }
        }
    }
    device.part = std::move(part);
}

std::vector<uint8_t> opcodeBytes(uint64_t instruction, uint32_t irLength) {
    std::vector<uint8_t> bits((irLength + 7) / 8);
    for (size_t k = 0; k < bits.size(); ++k) {
        bits[k] = static_cast<uint8_t>(instruction >> (8 * k));
    }
    return bits;
}

std::string instructionNames(const kelbsdl::Description& part, uint64_t instruction) {
    std::string names;
    for (const kelbsdl::Instruction* found :
         part.instructionsFor(opcodeBytes(instruction, part.instructionLength))) {
        names += (names.empty() ? "" : "/") + found->name;
    }
    return names;
}

bool changesNonVolatileState(std::string_view name) {
    if (hasWordPart(name, "ERASE") || hasWordPart(name, "PROG")) {
        return true;
    }
    constexpr std::array<std::string_view, 5> kStores{"FUSE", "FLASH", "OTP", "EEPROM", "EFUSE"};
    constexpr std::array<std::string_view, 3> kWrites{"WRITE", "BURN", "BLOW"};
    bool store = false;
    bool write = false;
    for (const std::string_view word : kStores) {
        store = store || name.find(word) != std::string_view::npos;
    }
    for (const std::string_view word : kWrites) {
        write = write || name.find(word) != std::string_view::npos;
    }
    return store && write;
}

}  // namespace kelsvf::check
