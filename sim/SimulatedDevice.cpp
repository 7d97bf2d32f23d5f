#include "kelsim/SimulatedDevice.h"

#include <algorithm>

namespace kelsim {

using namespace KelPluginInterface;

namespace {

std::vector<uint8_t> bitsOfValue(uint64_t value, uint32_t length) {
    std::vector<uint8_t> bits((size_t{length} + 7) / 8, 0);
    for (size_t i = 0; i < bits.size() && i < 8; ++i) {
        bits[i] = static_cast<uint8_t>(value >> (8 * i));
    }
    if (length % 8 != 0) {
        bits.back() = static_cast<uint8_t>(bits.back() & ((1u << (length % 8)) - 1u));
    }
    return bits;
}

}  // namespace

TapState nextTapState(TapState state, bool tms) {
    // Indexed by state: the successor for TMS 0, then for TMS 1.
    static constexpr TapState kNext[16][2] = {
        {KELJTAG_RUN_TEST_IDLE, KELJTAG_TEST_LOGIC_RESET},  // Test-Logic-Reset
        {KELJTAG_RUN_TEST_IDLE, KELJTAG_SELECT_DR_SCAN},    // Run-Test/Idle
        {KELJTAG_CAPTURE_DR, KELJTAG_SELECT_IR_SCAN},       // Select-DR-Scan
        {KELJTAG_SHIFT_DR, KELJTAG_EXIT1_DR},               // Capture-DR
        {KELJTAG_SHIFT_DR, KELJTAG_EXIT1_DR},               // Shift-DR
        {KELJTAG_PAUSE_DR, KELJTAG_UPDATE_DR},              // Exit1-DR
        {KELJTAG_PAUSE_DR, KELJTAG_EXIT2_DR},               // Pause-DR
        {KELJTAG_SHIFT_DR, KELJTAG_UPDATE_DR},              // Exit2-DR
        {KELJTAG_RUN_TEST_IDLE, KELJTAG_SELECT_DR_SCAN},    // Update-DR
        {KELJTAG_CAPTURE_IR, KELJTAG_TEST_LOGIC_RESET},     // Select-IR-Scan
        {KELJTAG_SHIFT_IR, KELJTAG_EXIT1_IR},               // Capture-IR
        {KELJTAG_SHIFT_IR, KELJTAG_EXIT1_IR},               // Shift-IR
        {KELJTAG_PAUSE_IR, KELJTAG_UPDATE_IR},              // Exit1-IR
        {KELJTAG_PAUSE_IR, KELJTAG_EXIT2_IR},               // Pause-IR
        {KELJTAG_SHIFT_IR, KELJTAG_UPDATE_IR},              // Exit2-IR
        {KELJTAG_RUN_TEST_IDLE, KELJTAG_SELECT_DR_SCAN},    // Update-IR
    };
    if (!isValidTapState(state)) {
        return KELJTAG_TEST_LOGIC_RESET;
    }
    return kNext[state][tms ? 1 : 0];
}

// ----- DataRegister ---------------------------------------------------------------------------

DataRegister::DataRegister(uint32_t length) : stage_(length), updated_(stage_.bits().size(), 0) {}

uint64_t DataRegister::updatedValue() const {
    uint64_t value = 0;
    for (size_t i = 0; i < updated_.size() && i < 8; ++i) {
        value |= uint64_t{updated_[i]} << (8 * i);
    }
    return value;
}

void DataRegister::setCaptureValue(const std::vector<uint8_t>& bits) {
    captureValue_ = bits;
    captureValue_.resize(updated_.size(), 0);
    fixedCapture_ = true;
}

void DataRegister::setCaptureValue(uint64_t value) {
    setCaptureValue(bitsOfValue(value, length()));
}

void DataRegister::capture() {
    stage_.load(fixedCapture_ ? captureValue_ : updated_);
}

void DataRegister::update() {
    updated_ = stage_.bits();
}

// ----- SimulatedDevice ------------------------------------------------------------------------

SimulatedDevice::SimulatedDevice(uint32_t irLength, uint32_t idcode, uint64_t idcodeInstruction)
    : irLength_(std::clamp<uint32_t>(irLength, 1, 64)),
      idcode_(idcode),
      idcodeInstruction_(idcodeInstruction),
      irStage_(irLength_),
      bypass_(1),
      idcodeRegister_(32),
      resetRegister_(1) {
    bypass_.setCaptureValue(uint64_t{0});
    idcodeRegister_.setCaptureValue(uint64_t{idcode});
    reset();
}

SimulatedDevice& SimulatedDevice::addDataRegister(uint64_t instruction, uint32_t length) {
    dataRegisters_.insert_or_assign(instruction & irMask(), DataRegister(length));
    return *this;
}

SimulatedDevice& SimulatedDevice::setIrCaptureValue(uint64_t value) {
    irCapture_ = value & irMask();
    return *this;
}

SimulatedDevice& SimulatedDevice::setInstructionCodesUnknown() {
    codesUnknown_ = true;
    return *this;
}

void SimulatedDevice::setResetRegisterLength(uint32_t length) {
    if (resetRegister_.length() != length) {
        resetRegister_ = DataRegister(length);
    }
}

uint64_t SimulatedDevice::irMask() const {
    return irLength_ == 64 ? ~uint64_t{0} : (uint64_t{1} << irLength_) - 1;
}

uint64_t SimulatedDevice::bypassInstruction() const {
    return irMask();
}

DataRegister& SimulatedDevice::dataRegisterFor(uint64_t instruction) {
    if (instruction == bypassInstruction()) {
        return bypass_;
    }
    if (idcode_ != 0 && !codesUnknown_ && instruction == idcodeInstruction_) {
        return idcodeRegister_;
    }
    const auto found = dataRegisters_.find(instruction);
    return found != dataRegisters_.end() ? found->second : bypass_;
}

DataRegister& SimulatedDevice::selectedDataRegister() {
    if (codesUnknown_ && selectedByReset_) {
        return idcode_ != 0 ? idcodeRegister_ : resetRegister_;
    }
    return dataRegisterFor(instruction_);
}

void SimulatedDevice::reset() {
    instruction_ = idcode_ != 0 ? idcodeInstruction_ : bypassInstruction();
    selectedByReset_ = true;
}

ShiftRegister& SimulatedDevice::activeStage() {
    return state_ == KELJTAG_SHIFT_IR ? irStage_ : selectedDataRegister().stage();
}

bool SimulatedDevice::tdo() {
    if (state_ != KELJTAG_SHIFT_DR && state_ != KELJTAG_SHIFT_IR) {
        return true;
    }
    return activeStage().front();
}

uint64_t SimulatedDevice::clocksIn(TapState state) const {
    return isValidTapState(state) ? clocksIn_[static_cast<size_t>(state)] : 0;
}

void SimulatedDevice::clock(bool tms, bool tdi) {
    ++clocksIn_[static_cast<size_t>(state_)];
    switch (state_) {
        case KELJTAG_CAPTURE_IR:
            // The standard's fixed capture pattern (...01), or the part's own.
            irStage_.load(bitsOfValue(irCapture_, irLength_));
            break;
        case KELJTAG_CAPTURE_DR:
            selectedDataRegister().capture();
            break;
        case KELJTAG_SHIFT_IR:
        case KELJTAG_SHIFT_DR:
            activeStage().shift(tdi);
            break;
        default:
            break;
    }
    state_ = nextTapState(state_, tms);
    switch (state_) {
        case KELJTAG_UPDATE_IR:
            instruction_ = irStage_.value() & irMask();
            selectedByReset_ = false;
            break;
        case KELJTAG_UPDATE_DR:
            selectedDataRegister().update();
            break;
        case KELJTAG_TEST_LOGIC_RESET:
            reset();
            break;
        default:
            break;
    }
}

}  // namespace kelsim
