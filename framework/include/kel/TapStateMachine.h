// The sixteen IEEE 1149.1 TAP states and the framework's TAP state holder.
#ifndef KEL_TAP_STATE_MACHINE_H
#define KEL_TAP_STATE_MACHINE_H

#include <cstdint>

namespace KelPluginInterface {

// Stored and passed as a 32-bit integer; the values are part of the host contract. Values
// outside 0..15 can reach the plug-in from a host and must be treated as invalid, not trusted.
enum TapState : int32_t {
    KELJTAG_TEST_LOGIC_RESET = 0,
    KELJTAG_RUN_TEST_IDLE = 1,
    KELJTAG_SELECT_DR_SCAN = 2,
    KELJTAG_CAPTURE_DR = 3,
    KELJTAG_SHIFT_DR = 4,
    KELJTAG_EXIT1_DR = 5,
    KELJTAG_PAUSE_DR = 6,
    KELJTAG_EXIT2_DR = 7,
    KELJTAG_UPDATE_DR = 8,
    KELJTAG_SELECT_IR_SCAN = 9,
    KELJTAG_CAPTURE_IR = 10,
    KELJTAG_SHIFT_IR = 11,
    KELJTAG_EXIT1_IR = 12,
    KELJTAG_PAUSE_IR = 13,
    KELJTAG_EXIT2_IR = 14,
    KELJTAG_UPDATE_IR = 15,
};

constexpr int32_t KELJTAG_STATE_COUNT = 16;

constexpr bool isValidTapState(int32_t state) {
    return state >= 0 && state < KELJTAG_STATE_COUNT;
}

// Holds the state the target believes the TAP to be in, with the successor, TMS-path and name
// tables. A target that clocks TMS itself keeps it current through setState or applyTMS.
class TapStateMachine {
  public:
    TapState getState() const { return state_; }
    void setState(TapState state) { state_ = state; }

    // One TCK clock: TMS 1 takes the TMS=1 successor, every other value the TMS=0 successor.
    // An invalid current state is left as it is.
    void applyTMS(uint32_t tms);

    // The TMS sequence from `from` to `to`, bit 0 first (bit 0 is the first clock's TMS), and
    // its length in clocks (1 to 8). Invalid states give 0 and length 0.
    static uint8_t getTMSPath(TapState from, TapState to);
    static int32_t getTMSPathLength(TapState from, TapState to);

    // The state's name ("KELJTAG_SHIFT_DR"), or null for a value outside 0..15.
    static const char* getStateName(TapState state);
    const char* getCurrentStateName() const { return getStateName(state_); }

    // The successor of `state` for one clock with the given TMS value (1 or anything else).
    static TapState nextState(TapState state, uint32_t tms);

  private:
    TapState state_ = KELJTAG_TEST_LOGIC_RESET;
};

}  // namespace KelPluginInterface

#endif  // KEL_TAP_STATE_MACHINE_H
