// The statements the SVF target must write for TAP moves, runs, waits and scan end states,
// worked out from the rules of the file format the target follows and kept apart from the
// writer's own code, so that a round trip compares the two.
#ifndef KEL_FUZZ_TAP_STATEMENT_MODEL_H
#define KEL_FUZZ_TAP_STATEMENT_MODEL_H

#include <cstdint>
#include <string>
#include <vector>

#include "kel/TapStateMachine.h"

namespace kelfuzz {

// One statement the file must hold: its keyword and its other words, as the text spells them.
struct ModelStatement {
    std::string keyword;
    std::vector<std::string> words;
};

// Times: whole microseconds, cut into parts that a reader through a single-precision float and
// an integer reader both read exactly, greedily from 2000000000 down.
bool bothPlayersReadExactly(uint64_t microseconds);
std::vector<uint32_t> timeParts(uint32_t microseconds);

class TapStatementModel {
  public:
    using TapState = KelPluginInterface::TapState;

    // Where a freshly opened file stands: the replay in reset, Run-Test/Idle in force as the
    // run state, the run's end state and both scan end states.
    TapStatementModel();

    // lockTarget and unlockTarget.
    void lock(std::vector<ModelStatement>& out);
    void unlock(std::vector<ModelStatement>& out);

    // navigateTAP(state, count, wait) on a valid state; false when the target must refuse it
    // (and write nothing).
    bool navigate(TapState state, uint32_t count, uint32_t wait, std::vector<ModelStatement>& out);
    // waitTime(microseconds).
    void waitTime(uint32_t microseconds, std::vector<ModelStatement>& out);

    // What comes right before the SIR (ir) or SDR of a device write with `endState`, after any
    // header and trailer statements; and where the replay is after the scan.
    void beforeScan(bool ir, int32_t endState, std::vector<ModelStatement>& out);

  private:
    void run(TapState state, uint32_t clocks, uint32_t microseconds,
             std::vector<ModelStatement>& out);

    TapState replayState_;
    TapState runState_;
    TapState runEndState_;
    TapState irEnd_;
    TapState drEnd_;
};

}  // namespace kelfuzz

#endif  // KEL_FUZZ_TAP_STATEMENT_MODEL_H
