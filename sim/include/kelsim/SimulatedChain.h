// A simulated JTAG chain: devices in a row from TDI to TDO sharing TCK and TMS.
#ifndef KELSIM_SIMULATED_CHAIN_H
#define KELSIM_SIMULATED_CHAIN_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kelsim/SimulatedDevice.h"

namespace kelsim {

// Device 0 is nearest TDI, the last device drives TDO; a chain without devices is a wire from TDI
// to TDO. Every device sees the same TMS, so all TAP controllers move in step; state() is the
// state they share.
//
// Two ways to drive it: clock() for one TCK at a time (what a bit-banging adapter does), and
// shift() for a whole scan in Shift-IR or Shift-DR, which gives the same result at the speed of
// word copies.
class SimulatedChain {
  public:
    SimulatedChain() = default;
    explicit SimulatedChain(std::vector<SimulatedDevice> devices);

    size_t deviceCount() const { return devices_.size(); }
    SimulatedDevice& device(size_t index) { return devices_.at(index); }

    TapState state() const { return state_; }
    // The clocks the devices' TAP controllers spent in `state` (they move in step, so device 0
    // speaks for all; 0 for a chain without devices), and a fresh start of that count.
    uint64_t clocksIn(TapState state) const;
    void clearClockCounts();

    // TDO reads 0 whatever the devices drive: a broken chain.
    void setTdoStuckLow(bool stuck) { tdoStuckLow_ = stuck; }

    // One TCK with the given TMS and TDI; returns the TDO bit of this clock (sampled before the
    // edge, as an adapter reads it).
    bool clock(bool tms, bool tdi);
    // The TDO level now, before the next clock (a chain without devices shows the TDI bit of the
    // last clock).
    bool tdo();
    // TRST: every TAP controller to Test-Logic-Reset at once, without a clock.
    void testLogicReset();

    // `count` clocks with fixed TMS and TDI. Holding Test-Logic-Reset, Run-Test/Idle or a pause
    // state changes nothing, so those return at once, however large `count` is.
    void runClocks(bool tms, bool tdi, uint64_t count);

    // `bitCount` clocks in Shift-IR or Shift-DR: TMS 0 on all but the last, `lastTms` on the
    // last; TDI bits from `tdi`, TDO bits into `tdo` (null: not stored; may be the same array as
    // `tdi`). Bit buffers use the scans' convention (bit i in bit i % 8 of byte i / 8). Outside
    // the two shift states it clocks bit by bit.
    void shift(const uint8_t* tdi, uint8_t* tdo, uint32_t bitCount, bool lastTms);

  private:
    bool inShiftState() const;
    void shiftBitByBit(const uint8_t* tdi, uint8_t* tdo, uint32_t bitCount, bool lastTms);
    void shiftWhole(const uint8_t* tdi, uint8_t* tdo, uint32_t bitCount, bool lastTms);

    std::vector<SimulatedDevice> devices_;
    TapState state_ = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
    bool tdoStuckLow_ = false;
    bool lastTdi_ = true;
};

}  // namespace kelsim

#endif  // KELSIM_SIMULATED_CHAIN_H
