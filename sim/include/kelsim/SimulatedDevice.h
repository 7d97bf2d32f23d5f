// One simulated IEEE 1149.1 device: its own TAP controller, an instruction register, BYPASS, an
// optional IDCODE register and data registers selected by instruction.
#ifndef KELSIM_SIMULATED_DEVICE_H
#define KELSIM_SIMULATED_DEVICE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "kel/TapStateMachine.h"
#include "kelsim/ShiftRegister.h"

namespace kelsim {

using KelPluginInterface::TapState;

// The TAP controller's successor for one clock, from the IEEE 1149.1 state diagram. Kept apart
// from the framework's own tables so that the simulation checks them rather than repeats them.
TapState nextTapState(TapState state, bool tms);

// A data register: the shift stage that the chain clocks through, and the value latched at
// Update-DR. Capture-DR loads the fixed capture value when one is set, else the last update, so
// a register without a capture value reads back what was last written to it.
class DataRegister {
  public:
    explicit DataRegister(uint32_t length);

    uint32_t length() const { return stage_.length(); }

    // What the last shift left in the register (the last `length` bits shifted in).
    const std::vector<uint8_t>& shifted() { return stage_.bits(); }
    uint64_t shiftedValue() { return stage_.value(); }
    // What the last Update-DR latched; all zeros before the first.
    const std::vector<uint8_t>& updated() const { return updated_; }
    uint64_t updatedValue() const;

    // Capture-DR loads these bits (bit-buffer convention, `length` bits) from now on.
    void setCaptureValue(const std::vector<uint8_t>& bits);
    void setCaptureValue(uint64_t value);

    ShiftRegister& stage() { return stage_; }
    void capture();
    void update();

  private:
    ShiftRegister stage_;
    std::vector<uint8_t> updated_;
    std::vector<uint8_t> captureValue_;
    bool fixedCapture_ = false;
};

class SimulatedDevice {
  public:
    // An IR of `irLength` bits (1 to 64). A nonzero `idcode` gives the device an IDCODE register
    // (its bit 0 should be 1, as the standard requires), selected by `idcodeInstruction` and
    // after Test-Logic-Reset; a device without one selects BYPASS after reset.
    explicit SimulatedDevice(uint32_t irLength, uint32_t idcode = 0,
                             uint64_t idcodeInstruction = 1);

    // A data register of `length` bits selected by `instruction`. Instructions without a
    // register of their own select BYPASS, as does the all-ones instruction always.
    SimulatedDevice& addDataRegister(uint64_t instruction, uint32_t length);

    // Capture-IR loads `value` (its low irLength bits) from now on; the standard's ...01 by
    // default. A part's own capture pattern, as its BSDL file gives it.
    SimulatedDevice& setIrCaptureValue(uint64_t value);

    // For a device whose instruction codes are not known (a player of SVF files knows IR lengths
    // and maybe IDCODEs): no instruction selects the IDCODE register; Test-Logic-Reset selects
    // it, or, on a device without one, a register of its own that stands for whatever the
    // device selects then (1 bit until setResetRegisterLength).
    SimulatedDevice& setInstructionCodesUnknown();
    // True from a Test-Logic-Reset until the next Update-IR.
    bool selectedByReset() const { return selectedByReset_; }
    // The length of that register of its own; a new register when the length changes.
    void setResetRegisterLength(uint32_t length);

    uint32_t irLength() const { return irLength_; }
    uint32_t idcode() const { return idcode_; }
    uint64_t bypassInstruction() const;
    uint64_t idcodeInstruction() const { return idcodeInstruction_; }

    TapState state() const { return state_; }
    // The clocks this TAP controller has spent in `state` (a clock counts for the state it
    // found the controller in) since construction or the last clearClockCounts(). TRST moves
    // the controller without a clock and counts nothing.
    uint64_t clocksIn(TapState state) const;
    void clearClockCounts() { clocksIn_.fill(0); }
    // The instruction latched by the last Update-IR (or by Test-Logic-Reset).
    uint64_t instruction() const { return instruction_; }
    // What the last IR shift left in the instruction register's shift stage.
    uint64_t irShifted() { return irStage_.value(); }

    // The register that `instruction` selects (BYPASS for any instruction without its own).
    DataRegister& dataRegisterFor(uint64_t instruction);
    // The register the current instruction selects.
    DataRegister& selectedDataRegister();
    DataRegister& bypassRegister() { return bypass_; }

    // The bit the device drives on TDO before the next clock: bit 0 of the shift stage in
    // Shift-IR and Shift-DR; 1 otherwise (TDO is not driven then and reads as pulled up).
    bool tdo();
    // One TCK: the actions of the current state (capture, shift), the move to the next state,
    // then those of the state entered (update, reset).
    void clock(bool tms, bool tdi);

    // The shift stage the device clocks in its current shift state (IR or selected DR).
    ShiftRegister& activeStage();
    // TRST: straight to Test-Logic-Reset, without a clock.
    void testLogicReset() {
        state_ = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
        reset();
    }

    // `count` clocks that keep the controller where it is (a stable state held), at once.
    void hold(uint64_t count) { clocksIn_[static_cast<std::size_t>(state_)] += count; }
    // Leaves a shift state after a bulk shift of `clocks` clocks whose last carried `lastTms`.
    void finishBulkShift(uint32_t clocks, bool lastTms) {
        clocksIn_[static_cast<std::size_t>(state_)] += clocks;
        state_ = nextTapState(state_, lastTms);
    }

  private:
    void reset();
    uint64_t irMask() const;

    uint32_t irLength_;
    uint32_t idcode_;
    uint64_t idcodeInstruction_;
    TapState state_ = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
    uint64_t instruction_ = 0;
    uint64_t irCapture_ = 1;
    bool codesUnknown_ = false;
    bool selectedByReset_ = false;
    ShiftRegister irStage_;
    DataRegister bypass_;
    DataRegister idcodeRegister_;
    DataRegister resetRegister_;
    std::map<uint64_t, DataRegister> dataRegisters_;
    std::array<uint64_t, 16> clocksIn_{};  // indexed by TapState
};

}  // namespace kelsim

#endif  // KELSIM_SIMULATED_DEVICE_H
