// Turns fuzzer bytes into the arguments of public operations: device indexes, TAP states, bit
// counts, bit buffers (or null), and option lists. Most picks stay in the range where operations
// do real work; a few reach the extremes a careless host might pass.
#ifndef KEL_FUZZ_OPERATION_INPUTS_H
#define KEL_FUZZ_OPERATION_INPUTS_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kel/TapStateMachine.h"

namespace kelfuzz {

// The files the operations may name. Nothing else on the machine is ever opened for writing.
struct FuzzFiles {
    std::string outputA;
    std::string outputB;
    std::string missingDirectory;  // a path inside a directory that does not exist
    std::string directory;         // an existing directory
    std::string chainFile;         // a valid chain description
    std::string finalOutput;       // the file of the check after the sequence

    static FuzzFiles create();
};

// A bit buffer of (bitCount + 7) / 8 bytes, or null.
class BitArgument {
  public:
    BitArgument(FuzzedDataProvider& in, uint32_t bitCount, bool mayBeNull = true);
    uint8_t* data() { return null_ ? nullptr : bytes_.data(); }

  private:
    std::vector<uint8_t> bytes_;
    bool null_ = false;
};

// An option list as openTarget takes it; it owns its texts. Entries may be null, and so may the
// list. An "fname" entry only ever names one of the FuzzFiles.
class OptionArgument {
  public:
    OptionArgument(FuzzedDataProvider& in, const FuzzFiles& files);
    uint32_t count() const { return count_; }
    const char* const* list() const { return null_ ? nullptr : pointers_.data(); }

  private:
    std::vector<std::string> texts_;
    std::vector<const char*> pointers_;
    uint32_t count_ = 0;
    bool null_ = false;
};

uint32_t pickDevice(FuzzedDataProvider& in);
KelPluginInterface::TapState pickState(FuzzedDataProvider& in);
// A state for navigateTAP: half the time one SVF can hold the TAP in (reset, Run-Test/Idle, the
// two pause states), otherwise any pickState.
KelPluginInterface::TapState pickRunState(FuzzedDataProvider& in);
// A clock count or a wait in microseconds: none, a few, many, or any 32-bit value.
uint32_t pickAmount(FuzzedDataProvider& in);
uint32_t pickBitCount(FuzzedDataProvider& in);
uint32_t pickIRLength(FuzzedDataProvider& in);
uint32_t pickDeviceCount(FuzzedDataProvider& in);
// A text or null.
const char* pickText(FuzzedDataProvider& in, std::string& storage);

}  // namespace kelfuzz

#endif  // KEL_FUZZ_OPERATION_INPUTS_H
