// A KelPlugin target that drives a simulated chain instead of a cable: it clocks TMS and TDI
// through the chain for every TAP move and chain-level shift, and keeps the framework's TAP state
// holder in step. Everything else (device-level scans, chain scans, lock) is the framework's.
#ifndef KELSIM_SIMULATED_CHAIN_TARGET_H
#define KELSIM_SIMULATED_CHAIN_TARGET_H

#include <cstdint>
#include <vector>

#include "kel/KelPlugin.h"
#include "kelsim/SimulatedChain.h"

namespace kelsim {

class SimulatedChainTarget : public KelPluginInterface::KelPlugin {
  public:
    explicit SimulatedChainTarget(std::vector<SimulatedDevice> devices = {});

    SimulatedChain& chain() { return chain_; }
    // The state the framework believes the TAP is in.
    TapState heldTapState() const { return tapState.getState(); }

    // What the last chain-level shift received, for checking what the framework hands a target.
    struct ShiftRecord {
        bool ir = false;
        uint32_t bitCount = 0;
        TapState endState = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
        bool tdoGiven = false;
        bool tdiMaskGiven = false;
        bool tdoMaskGiven = false;
        std::vector<uint8_t> tdiMask;  // (bitCount + 7) / 8 bytes, when given
        std::vector<uint8_t> tdoMask;
    };
    const ShiftRecord& lastShift() const { return lastShift_; }
    uint32_t shiftCount() const { return shiftCount_; }

    // From the next chain-level shift on, shifts still happen but return `code` once
    // `successfulShifts` more shifts have succeeded. KEL_SUCCESS switches it off.
    void failShifts(KelResult code, uint32_t successfulShifts = 0);

  protected:
    using KelPlugin::navigateTAPImpl;

    KelResult openTargetImpl(uint32_t optionCount, const char* const* optionList,
                             KelPluginInterface::CallContext callContext) override;
    KelResult closeTargetImpl() override;
    KelResult navigateTAPImpl(TapState state, uint32_t count) override;
    KelResult initializeTAPImpl() override;
    KelResult shiftChainIRImpl(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                               const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                               KelPluginInterface::CallContext callContext) override;
    KelResult shiftChainDRImpl(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                               const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                               KelPluginInterface::CallContext callContext) override;

  private:
    KelResult shiftChain(bool ir, const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                         const uint8_t* tdoMask, uint32_t bitCount, TapState endState);
    void record(bool ir, uint8_t* tdo, const uint8_t* tdiMask, const uint8_t* tdoMask,
                uint32_t bitCount, TapState endState);
    // Clocks the TMS path from the held state to `state`, TDI high.
    void moveTo(TapState state);
    // KEL_SUCCESS when the chain is where the holder says; a wrong TMS path shows up here.
    KelResult checkInStep(const char* operation);

    SimulatedChain chain_;
    ShiftRecord lastShift_;
    uint32_t shiftCount_ = 0;
    KelResult shiftFailure_ = KEL_SUCCESS;
    uint32_t shiftsBeforeFailure_ = 0;
};

}  // namespace kelsim

#endif  // KELSIM_SIMULATED_CHAIN_TARGET_H
