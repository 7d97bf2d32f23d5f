// What a device's BSDL file tells the player: the instructions whose registers it knows (their
// lengths, IDCODE, BYPASS), their names, what the part captures in its IR and IDCODE, and which
// instructions change what the part keeps without power.
#ifndef KELSVF_CHECK_PART_RULES_H
#define KELSVF_CHECK_PART_RULES_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ChainDescription.h"

namespace kelsvf::check {

// Makes `device` the part's: its IR length, its IDCODE (the file's, X bits 0 and not known,
// unless the device has one of its own), and the known instructions of every opcode whose
// register the file gives a length. Opcodes with X bits stand for every code they match, up
// to a bound; beyond it those instructions are taken as of unknown length.
void describePart(DeviceDescription& device, std::shared_ptr<const kelbsdl::Description> part);

// `instruction` in the bit-buffer convention, as opcodes are matched.
std::vector<uint8_t> opcodeBytes(uint64_t instruction, uint32_t irLength);

// "SAMPLE", or "SAMPLE/PRELOAD" when several share the opcode; empty when none has it.
std::string instructionNames(const kelbsdl::Description& part, uint64_t instruction);

// Whether loading the instruction erases or writes what the part keeps without power: its name
// has ERASE or PROG as a word part (ISC_ERASE, ISC_PROGRAM, FLASH_ERASE_ALL, PROG_EFUSE, but
// not SRAMPROG), or names a fuse, flash, OTP or EEPROM with WRITE, BURN or BLOW.
bool changesNonVolatileState(std::string_view name);

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_PART_RULES_H
