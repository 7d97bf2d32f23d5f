#include "PartRules.h"

#include <array>

namespace kelsvf::check {
namespace {

// Whether `part` occurs in `name` at a word boundary on its left (the start or after '_').
bool hasWordPart(std::string_view name, std::string_view part) {
    for (size_t at = name.find(part); at != std::string_view::npos; at = name.find(part, at + 1)) {
        if (at == 0 || name[at - 1] == '_') {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<uint8_t> opcodeBytes(uint64_t instruction, uint32_t irLength) {
    std::vector<uint8_t> bits((irLength + 7) / 8);
    for (size_t k = 0; k < bits.size(); ++k) {
        bits[k] = static_cast<uint8_t>(instruction >> (8 * k));
    }
    return bits;
}

kelsim::SimulatedDevice simulatedDevice(const DeviceDescription& device) {
    if (!device.part) {
        kelsim::SimulatedDevice simulated(device.irLength, device.idcode.value_or(0));
        // A device known to have no IDCODE is the standard's: BYPASS after a reset.
        if (device.idcode != 0u) {
            simulated.setInstructionCodesUnknown();
        }
        return simulated;
    }
    const kelbsdl::Description& part = *device.part;
    const kelbsdl::Instruction* idcode = part.findInstruction("IDCODE");
    // Without an IDCODE instruction only a reset selects the IDCODE register: the all-ones
    // code that stands in for it selects BYPASS first.
    const uint64_t idcodeOpcode = idcode != nullptr ? idcode->opcodes.front().value()
                                                    : ~uint64_t{0} >> (64 - device.irLength);
    kelsim::SimulatedDevice simulated(device.irLength, device.idcode.value_or(0), idcodeOpcode);
    if (part.instructionCapture) {
        simulated.setIrCaptureValue(part.instructionCapture->value());
    }
    return simulated;
}

const kelbsdl::Instruction* partInstruction(const kelbsdl::Description& part,
                                            uint64_t instruction) {
    const std::vector<const kelbsdl::Instruction*> found =
        part.instructionsFor(opcodeBytes(instruction, part.instructionLength));
    return found.empty() ? nullptr : found.front();
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

uint64_t knownIrCapture(const DeviceDescription& device) {
    const uint64_t standard = device.irLength >= 2 ? 3 : 1;
    if (!device.part || !device.part->instructionCapture) {
        return standard;
    }
    return device.part->instructionCapture->careMask() | standard;
}

uint64_t knownIdcodeCapture(const DeviceDescription& device) {
    if (!device.part || device.part->idcodes.empty() || !device.idcodeFromPart) {
        return 0xFFFFFFFFu;
    }
    return device.part->idcodes.front().careMask();
}

}  // namespace kelsvf::check
