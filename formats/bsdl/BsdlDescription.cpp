#include "kelbsdl/BsdlDescription.h"

namespace kelbsdl {
namespace {

bool sameName(std::string_view name, const std::string& upperName) {
    if (name.size() != upperName.size()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
        if (c != upperName[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool BitPattern::matches(const std::vector<uint8_t>& value) const {
    if (value.size() * 8 < bits.size()) {
        return false;
    }
    for (size_t i = 0; i < bits.size(); ++i) {
        const char wanted = bit(i);
        const bool one = ((value[i / 8] >> (i % 8)) & 1) != 0;
        if ((wanted == '1' && !one) || (wanted == '0' && one)) {
            return false;
        }
    }
    return true;
}

bool BitPattern::matches(uint64_t candidate) const {
    return (candidate & careMask()) == value();
}

uint64_t BitPattern::value() const {
    uint64_t result = 0;
    for (size_t i = 0; i < bits.size() && i < 64; ++i) {
        result |= bit(i) == '1' ? uint64_t{1} << i : 0;
    }
    return result;
}

uint64_t BitPattern::careMask() const {
    uint64_t result = 0;
    for (size_t i = 0; i < bits.size() && i < 64; ++i) {
        result |= bit(i) != 'X' ? uint64_t{1} << i : 0;
    }
    return result;
}

const Instruction* Description::findInstruction(std::string_view name) const {
    for (const Instruction& instruction : instructions) {
        if (sameName(name, instruction.name)) {
            return &instruction;
        }
    }
    return nullptr;
}

const Register* Description::findRegister(std::string_view name) const {
    for (const Register& candidate : registers) {
        if (sameName(name, candidate.name)) {
            return &candidate;
        }
    }
    return nullptr;
}

std::optional<uint64_t> Description::registerLength(const Instruction& instruction) const {
    const Register* selected =
        instruction.registerName.empty() ? nullptr : findRegister(instruction.registerName);
    return selected == nullptr ? std::nullopt : selected->length;
}

std::vector<const Instruction*> Description::instructionsFor(
    const std::vector<uint8_t>& opcode) const {
    std::vector<const Instruction*> found;
    for (const Instruction& instruction : instructions) {
        for (const BitPattern& pattern : instruction.opcodes) {
            if (pattern.matches(opcode)) {
                found.push_back(&instruction);
                break;
            }
        }
    }
    return found;
}

}  // namespace kelbsdl
