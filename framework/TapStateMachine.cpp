// The IEEE 1149.1 TAP controller as data: successors, TMS paths between every pair of states and
// the state names. Lookups only; nothing here walks the tables.
#include "kel/TapStateMachine.h"

#include <cstddef>

namespace KelPluginInterface {
namespace {

constexpr int kStates = KELJTAG_STATE_COUNT;

// The state after one TCK clock, indexed by the current state.
constexpr TapState kNextWithTms0[kStates] = {
    KELJTAG_RUN_TEST_IDLE,  // from Test-Logic-Reset
    KELJTAG_RUN_TEST_IDLE,  // from Run-Test/Idle
    KELJTAG_CAPTURE_DR,     // from Select-DR-Scan
    KELJTAG_SHIFT_DR,       // from Capture-DR
    KELJTAG_SHIFT_DR,       // from Shift-DR
    KELJTAG_PAUSE_DR,       // from Exit1-DR
    KELJTAG_PAUSE_DR,       // from Pause-DR
    KELJTAG_SHIFT_DR,       // from Exit2-DR
    KELJTAG_RUN_TEST_IDLE,  // from Update-DR
    KELJTAG_CAPTURE_IR,     // from Select-IR-Scan
    KELJTAG_SHIFT_IR,       // from Capture-IR
    KELJTAG_SHIFT_IR,       // from Shift-IR
    KELJTAG_PAUSE_IR,       // from Exit1-IR
    KELJTAG_PAUSE_IR,       // from Pause-IR
    KELJTAG_SHIFT_IR,       // from Exit2-IR
    KELJTAG_RUN_TEST_IDLE,  // from Update-IR
};

constexpr TapState kNextWithTms1[kStates] = {
    KELJTAG_TEST_LOGIC_RESET,  // from Test-Logic-Reset
    KELJTAG_SELECT_DR_SCAN,    // from Run-Test/Idle
    KELJTAG_SELECT_IR_SCAN,    // from Select-DR-Scan
    KELJTAG_EXIT1_DR,          // from Capture-DR
    KELJTAG_EXIT1_DR,          // from Shift-DR
    KELJTAG_UPDATE_DR,         // from Exit1-DR
    KELJTAG_EXIT2_DR,          // from Pause-DR
    KELJTAG_UPDATE_DR,         // from Exit2-DR
    KELJTAG_SELECT_DR_SCAN,    // from Update-DR
    KELJTAG_TEST_LOGIC_RESET,  // from Select-IR-Scan
    KELJTAG_EXIT1_IR,          // from Capture-IR
    KELJTAG_EXIT1_IR,          // from Shift-IR
    KELJTAG_UPDATE_IR,         // from Exit1-IR
    KELJTAG_EXIT2_IR,          // from Pause-IR
    KELJTAG_UPDATE_IR,         // from Exit2-IR
    KELJTAG_SELECT_DR_SCAN,    // from Update-IR
};

// TMS sequences, indexed [to][from]. Bit 0 holds the TMS value of the first clock; the bits above
// the path's length are 0. Every path to Test-Logic-Reset is five ones. Every other path is the
// shortest of at least one clock that never passes through Test-Logic-Reset, never holds in a
// Shift or Pause state and never goes from Exit2 back to Shift; so a path from a state to itself
// is a full loop (Shift-DR to Shift-DR is 1,1,1,0,0).
constexpr uint8_t kTmsPathBits[kStates][kStates] = {
    // from: 0    1     2     3     4     5     6     7     8     9     10    11    12    13    14
    // 15
    {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F,
     0x1F},
    {0x00, 0x00, 0x06, 0x03, 0x03, 0x01, 0x03, 0x01, 0x00, 0x06, 0x03, 0x03, 0x01, 0x03, 0x01,
     0x00},
    {0x02, 0x01, 0x0E, 0x07, 0x07, 0x03, 0x07, 0x03, 0x01, 0x0E, 0x07, 0x07, 0x03, 0x07, 0x03,
     0x01},
    {0x02, 0x01, 0x00, 0x07, 0x07, 0x03, 0x07, 0x03, 0x01, 0x0E, 0x07, 0x07, 0x03, 0x07, 0x03,
     0x01},
    {0x02, 0x01, 0x00, 0x00, 0x07, 0x03, 0x07, 0x03, 0x01, 0x0E, 0x07, 0x07, 0x03, 0x07, 0x03,
     0x01},
    {0x0A, 0x05, 0x02, 0x01, 0x01, 0x0B, 0x17, 0x0B, 0x05, 0x2E, 0x17, 0x17, 0x0B, 0x17, 0x0B,
     0x05},
    {0x0A, 0x05, 0x02, 0x01, 0x01, 0x00, 0x17, 0x0B, 0x05, 0x2E, 0x17, 0x17, 0x0B, 0x17, 0x0B,
     0x05},
    {0x2A, 0x15, 0x0A, 0x05, 0x05, 0x02, 0x01, 0x2B, 0x15, 0xAE, 0x57, 0x57, 0x2B, 0x57, 0x2B,
     0x15},
    {0x1A, 0x0D, 0x06, 0x03, 0x03, 0x01, 0x03, 0x01, 0x0D, 0x6E, 0x37, 0x37, 0x1B, 0x37, 0x1B,
     0x0D},
    {0x06, 0x03, 0x01, 0x0F, 0x0F, 0x07, 0x0F, 0x07, 0x03, 0x1E, 0x0F, 0x0F, 0x07, 0x0F, 0x07,
     0x03},
    {0x06, 0x03, 0x01, 0x0F, 0x0F, 0x07, 0x0F, 0x07, 0x03, 0x00, 0x0F, 0x0F, 0x07, 0x0F, 0x07,
     0x03},
    {0x06, 0x03, 0x01, 0x0F, 0x0F, 0x07, 0x0F, 0x07, 0x03, 0x00, 0x00, 0x0F, 0x07, 0x0F, 0x07,
     0x03},
    {0x16, 0x0B, 0x05, 0x2F, 0x2F, 0x17, 0x2F, 0x17, 0x0B, 0x02, 0x01, 0x01, 0x17, 0x2F, 0x17,
     0x0B},
    {0x16, 0x0B, 0x05, 0x2F, 0x2F, 0x17, 0x2F, 0x17, 0x0B, 0x02, 0x01, 0x01, 0x00, 0x2F, 0x17,
     0x0B},
    {0x56, 0x2B, 0x15, 0xAF, 0xAF, 0x57, 0xAF, 0x57, 0x2B, 0x0A, 0x05, 0x05, 0x02, 0x01, 0x57,
     0x2B},
    {0x36, 0x1B, 0x0D, 0x6F, 0x6F, 0x37, 0x6F, 0x37, 0x1B, 0x06, 0x03, 0x03, 0x01, 0x03, 0x01,
     0x1B},
};

// The number of clocks of each path above, indexed [to][from]; 1 to 8.
constexpr uint8_t kTmsPathLength[kStates][kStates] = {
    // from: 0 1  2  3  4  5  6  7  8  9 10 11 12 13 14 15
    {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5},
    {1, 1, 4, 3, 3, 2, 3, 2, 1, 4, 3, 3, 2, 3, 2, 1},
    {2, 1, 4, 3, 3, 2, 3, 2, 1, 4, 3, 3, 2, 3, 2, 1},
    {3, 2, 1, 4, 4, 3, 4, 3, 2, 5, 4, 4, 3, 4, 3, 2},
    {4, 3, 2, 1, 5, 4, 5, 4, 3, 6, 5, 5, 4, 5, 4, 3},
    {4, 3, 2, 1, 1, 4, 5, 4, 3, 6, 5, 5, 4, 5, 4, 3},
    {5, 4, 3, 2, 2, 1, 6, 5, 4, 7, 6, 6, 5, 6, 5, 4},
    {6, 5, 4, 3, 3, 2, 1, 6, 5, 8, 7, 7, 6, 7, 6, 5},
    {5, 4, 3, 2, 2, 1, 2, 1, 4, 7, 6, 6, 5, 6, 5, 4},
    {3, 2, 1, 4, 4, 3, 4, 3, 2, 5, 4, 4, 3, 4, 3, 2},
    {4, 3, 2, 5, 5, 4, 5, 4, 3, 1, 5, 5, 4, 5, 4, 3},
    {5, 4, 3, 6, 6, 5, 6, 5, 4, 2, 1, 6, 5, 6, 5, 4},
    {5, 4, 3, 6, 6, 5, 6, 5, 4, 2, 1, 1, 5, 6, 5, 4},
    {6, 5, 4, 7, 7, 6, 7, 6, 5, 3, 2, 2, 1, 7, 6, 5},
    {7, 6, 5, 8, 8, 7, 8, 7, 6, 4, 3, 3, 2, 1, 7, 6},
    {6, 5, 4, 7, 7, 6, 7, 6, 5, 3, 2, 2, 1, 2, 1, 5},
};

// Each state's text in traces and messages, indexed by its value.
constexpr const char* kStateNames[kStates] = {
    "KELJTAG_TEST_LOGIC_RESET", "KELJTAG_RUN_TEST_IDLE", "KELJTAG_SELECT_DR_SCAN",
    "KELJTAG_CAPTURE_DR",       "KELJTAG_SHIFT_DR",      "KELJTAG_EXIT1_DR",
    "KELJTAG_PAUSE_DR",         "KELJTAG_EXIT2_DR",      "KELJTAG_UPDATE_DR",
    "KELJTAG_SELECT_IR_SCAN",   "KELJTAG_CAPTURE_IR",    "KELJTAG_SHIFT_IR",
    "KELJTAG_EXIT1_IR",         "KELJTAG_PAUSE_IR",      "KELJTAG_EXIT2_IR",
    "KELJTAG_UPDATE_IR",
};

// States arrive from hosts as raw 32-bit values; every table index goes through here.
constexpr size_t indexOf(TapState state) {
    return static_cast<size_t>(state);
}

}  // namespace

TapState TapStateMachine::nextState(TapState state, uint32_t tms) {
    if (!isValidTapState(state)) {
        return state;
    }
    return tms == 1 ? kNextWithTms1[indexOf(state)] : kNextWithTms0[indexOf(state)];
}

void TapStateMachine::applyTMS(uint32_t tms) {
    state_ = nextState(state_, tms);
}

uint8_t TapStateMachine::getTMSPath(TapState from, TapState to) {
    if (!isValidTapState(from) || !isValidTapState(to)) {
        return 0;
    }
    return kTmsPathBits[indexOf(to)][indexOf(from)];
}

int32_t TapStateMachine::getTMSPathLength(TapState from, TapState to) {
    if (!isValidTapState(from) || !isValidTapState(to)) {
        return 0;
    }
    return kTmsPathLength[indexOf(to)][indexOf(from)];
}

const char* TapStateMachine::getStateName(TapState state) {
    return isValidTapState(state) ? kStateNames[indexOf(state)] : nullptr;
}

}  // namespace KelPluginInterface
