#include "kelsim/SimulatedChainTarget.h"

namespace kelsim {

using namespace KelPluginInterface;

namespace {

// States in which the TAP can stay: navigating to one of them while there clocks no path.
bool isStableState(TapState state) {
    switch (state) {
        case KELJTAG_TEST_LOGIC_RESET:
        case KELJTAG_RUN_TEST_IDLE:
        case KELJTAG_SHIFT_DR:
        case KELJTAG_PAUSE_DR:
        case KELJTAG_SHIFT_IR:
        case KELJTAG_PAUSE_IR:
            return true;
        default:
            return false;
    }
}

std::vector<uint8_t> copyOf(const uint8_t* bits, uint32_t bitCount) {
    return std::vector<uint8_t>(bits, bits + (size_t{bitCount} + 7) / 8);
}

}  // namespace

SimulatedChainTarget::SimulatedChainTarget(std::vector<SimulatedDevice> devices)
    : chain_(std::move(devices)) {}

void SimulatedChainTarget::failShifts(KelResult code, uint32_t successfulShifts) {
    shiftFailure_ = code;
    shiftsBeforeFailure_ = successfulShifts;
}

KelResult SimulatedChainTarget::openTargetImpl(uint32_t, const char* const*, CallContext) {
    return KEL_SUCCESS;
}

KelResult SimulatedChainTarget::closeTargetImpl() {
    return KEL_SUCCESS;
}

void SimulatedChainTarget::moveTo(TapState state) {
    const TapState from = tapState.getState();
    const uint8_t path = TapStateMachine::getTMSPath(from, state);
    const int32_t length = TapStateMachine::getTMSPathLength(from, state);
    for (int32_t i = 0; i < length; ++i) {
        const uint32_t tms = (path >> i) & 1u;
        chain_.clock(tms != 0, true);
        tapState.applyTMS(tms);
    }
}

KelResult SimulatedChainTarget::checkInStep(const char* operation) {
    if (chain_.state() == tapState.getState()) {
        return KEL_SUCCESS;
    }
    printMessage(KEL_PRINT_ERROR,
                 "<SimulatedChainTarget> %s: TAP out of step: chain in %s, held %s\n", operation,
                 TapStateMachine::getStateName(chain_.state()),
                 TapStateMachine::getStateName(tapState.getState()));
    return KEL_FAILURE;
}

KelResult SimulatedChainTarget::initializeTAPImpl() {
    moveTo(KELJTAG_TEST_LOGIC_RESET);
    return checkInStep("initializeTAPImpl");
}

KelResult SimulatedChainTarget::navigateTAPImpl(TapState state, uint32_t count) {
    if (!isValidTapState(state)) {
        printMessage(KEL_PRINT_ERROR, "<SimulatedChainTarget> navigateTAPImpl: invalid state %d\n",
                     static_cast<int>(state));
        return KEL_FAILURE;
    }
    if (state != tapState.getState() || !isStableState(state)) {
        moveTo(state);
    }
    // Only a stable state can be held for further clocks.
    if (isStableState(state)) {
        chain_.runClocks(state == KELJTAG_TEST_LOGIC_RESET, true, count);
    }
    return checkInStep("navigateTAPImpl");
}

KelResult SimulatedChainTarget::shiftChainIRImpl(const uint8_t* tdi, uint8_t* tdo,
                                                 const uint8_t* tdiMask, const uint8_t* tdoMask,
                                                 uint32_t bitCount, TapState endState,
                                                 CallContext) {
    return shiftChain(true, tdi, tdo, tdiMask, tdoMask, bitCount, endState);
}

KelResult SimulatedChainTarget::shiftChainDRImpl(const uint8_t* tdi, uint8_t* tdo,
                                                 const uint8_t* tdiMask, const uint8_t* tdoMask,
                                                 uint32_t bitCount, TapState endState,
                                                 CallContext) {
    return shiftChain(false, tdi, tdo, tdiMask, tdoMask, bitCount, endState);
}

void SimulatedChainTarget::record(bool ir, uint8_t* tdo, const uint8_t* tdiMask,
                                  const uint8_t* tdoMask, uint32_t bitCount, TapState endState) {
    ++shiftCount_;
    lastShift_ = ShiftRecord{};
    lastShift_.ir = ir;
    lastShift_.bitCount = bitCount;
    lastShift_.endState = endState;
    lastShift_.tdoGiven = tdo != nullptr;
    lastShift_.tdiMaskGiven = tdiMask != nullptr;
    lastShift_.tdoMaskGiven = tdoMask != nullptr;
    if (tdiMask != nullptr) {
        lastShift_.tdiMask = copyOf(tdiMask, bitCount);
    }
    if (tdoMask != nullptr) {
        lastShift_.tdoMask = copyOf(tdoMask, bitCount);
    }
}

KelResult SimulatedChainTarget::shiftChain(bool ir, const uint8_t* tdi, uint8_t* tdo,
                                           const uint8_t* tdiMask, const uint8_t* tdoMask,
                                           uint32_t bitCount, TapState endState) {
    const char* operation = ir ? "shiftChainIRImpl" : "shiftChainDRImpl";
    if (tdi == nullptr || !isValidTapState(endState)) {
        printMessage(KEL_PRINT_ERROR,
                     "<SimulatedChainTarget> %s: no TDI bits or invalid end state\n", operation);
        return KEL_FAILURE;
    }
    record(ir, tdo, tdiMask, tdoMask, bitCount, endState);

    // Already shifting continues the same scan; anything else goes through Capture first.
    const TapState shiftState = ir ? KELJTAG_SHIFT_IR : KELJTAG_SHIFT_DR;
    if (tapState.getState() != shiftState) {
        moveTo(shiftState);
    }
    const bool leave = endState != shiftState;
    if (bitCount != 0) {
        chain_.shift(tdi, tdo, bitCount, leave);
        tapState.applyTMS(leave ? 1 : 0);
    }
    if (tapState.getState() != endState) {
        moveTo(endState);
    }
    const KelResult inStep = checkInStep(operation);
    if (kelFailed(inStep)) {
        return inStep;
    }
    if (shiftFailure_ == KEL_SUCCESS) {
        return KEL_SUCCESS;
    }
    if (shiftsBeforeFailure_ > 0) {
        --shiftsBeforeFailure_;
        return KEL_SUCCESS;
    }
    return shiftFailure_;
}

}  // namespace kelsim
