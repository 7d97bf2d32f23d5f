// The TAP states an SVF file can name, and what the SVF target keeps track of per file so that
// every statement means on replay what the host asked for.
#ifndef KEL_SVF_SVF_STATES_H
#define KEL_SVF_SVF_STATES_H

#include "kel/TapStateMachine.h"

namespace KelPluginInterface::svf {

// The SVF name of a state that SVF can hold the TAP in ("RESET", "IDLE", "DRPAUSE",
// "IRPAUSE"), or null for every other state.
constexpr const char* holdableStateName(TapState state) {
    switch (state) {
        case KELJTAG_TEST_LOGIC_RESET:
            return "RESET";
        case KELJTAG_RUN_TEST_IDLE:
            return "IDLE";
        case KELJTAG_PAUSE_DR:
            return "DRPAUSE";
        case KELJTAG_PAUSE_IR:
            return "IRPAUSE";
        default:
            return nullptr;
    }
}

// Where a scan with the host's end state leaves the TAP: Run-Test/Idle, Pause-IR or Pause-DR
// as asked, else Run-Test/Idle. Test-Logic-Reset is not honoured: a common player aborts on a
// scan that ends there ("ENDIR RESET;").
constexpr TapState scanEndStateFor(TapState requested) {
    const bool honoured = requested == KELJTAG_RUN_TEST_IDLE || requested == KELJTAG_PAUSE_IR ||
                          requested == KELJTAG_PAUSE_DR;
    return honoured ? requested : KELJTAG_RUN_TEST_IDLE;
}

// What the replay of a file has reached and has in force after its last statement. A new file
// starts with the players' defaults: they reset the TAP before playing, and every run and end
// state is Run-Test/Idle.
struct ReplayState {
    TapState at = KELJTAG_TEST_LOGIC_RESET;
    TapState runState = KELJTAG_RUN_TEST_IDLE;  // of RUNTEST
    TapState runEndState = KELJTAG_RUN_TEST_IDLE;
    TapState irEndState = KELJTAG_RUN_TEST_IDLE;  // of ENDIR
    TapState drEndState = KELJTAG_RUN_TEST_IDLE;  // of ENDDR
};

}  // namespace KelPluginInterface::svf

#endif  // KEL_SVF_SVF_STATES_H
