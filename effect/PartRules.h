// What a device's BSDL file tells the player: the names of its instructions, the register each
// selects with its length, what it captures, and which instructions change what the part keeps
// without power.
#ifndef KELSVF_CHECK_PART_RULES_H
#define KELSVF_CHECK_PART_RULES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "ChainDescription.h"
#include "kelsim/SimulatedDevice.h"

namespace kelsvf::check {

// The simulated device of a chain's device: with a part, its IDCODE instruction and IR capture;
// without one, instruction codes not known.
kelsim::SimulatedDevice simulatedDevice(const DeviceDescription& device);

// `instruction` in the bit-buffer convention, as opcodes are matched.
std::vector<uint8_t> opcodeBytes(uint64_t instruction, uint32_t irLength);

// The first of the part's instructions whose opcodes match `instruction`, or null.
const kelbsdl::Instruction* partInstruction(const kelbsdl::Description& part, uint64_t instruction);

// "SAMPLE", or "SAMPLE/PRELOAD" when several share the opcode; empty when none has it.
std::string instructionNames(const kelbsdl::Description& part, uint64_t instruction);

// Whether loading the instruction erases or writes what the part keeps without power: its name
// has ERASE or PROG as a word part (ISC_ERASE, ISC_PROGRAM, FLASH_ERASE_ALL, PROG_EFUSE, but
// not JPROGRAM), or names a fuse, flash, OTP or EEPROM with WRITE, BURN or BLOW.
bool changesNonVolatileState(std::string_view name);

// The bits of the IR capture that the part fixes: its INSTRUCTION_CAPTURE's 0 and 1 bits, or
// the standard's two lowest (01).
uint64_t knownIrCapture(const DeviceDescription& device);

// The bits of the IDCODE register's capture that are known: all 32, except the X bits of an
// IDCODE taken from the part's BSDL file (its version, for example).
uint64_t knownIdcodeCapture(const DeviceDescription& device);

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_PART_RULES_H
