// The TAP statements of the SVF target: resets, moves to Run-Test/Idle, and the clocks and waits
// spent in the states that SVF can hold the TAP in. Waits are written into the file as the
// minimum time of a run; nothing here sleeps.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "svf/RunChunks.h"
#include "svf/SVFFile.h"

namespace KelPluginInterface {
namespace {

// Hands a wait to the nested navigation for exactly the nested call's duration.
class PendingWait {
  public:
    PendingWait(uint32_t& slot, uint32_t wait) : slot_(slot) { slot_ = wait; }
    ~PendingWait() { slot_ = 0; }
    PendingWait(const PendingWait&) = delete;
    PendingWait& operator=(const PendingWait&) = delete;

  private:
    uint32_t& slot_;
};

}  // namespace

KelResult SVFFile::initializeTAPImpl() {
    if (!requireWritableFile()) {
        return KEL_FAILURE;
    }
    const KelResult result = writeText("STATE RESET;\r\n");
    if (kelSucceeded(result)) {
        replay.at = KELJTAG_TEST_LOGIC_RESET;
    }
    return result;
}

KelResult SVFFile::navigateTAPImpl(TapState state, uint32_t count, uint32_t wait) {
    KelResult result = KEL_SUCCESS;
    {
        // The nested public call keeps the traces of the plain navigation; the wait becomes the
        // minimum time of its run.
        const PendingWait handOver(pendingWait, wait);
        result = navigateTAP(state, count);
    }
    if (wait != 0 && kelSucceeded(result)) {
        printMessage(KEL_PRINT_DETAIL,
                     "<SVFFile> navigateTAPImpl:Wrote a wait of %u microSeconds to the file...\n",
                     wait);
    }
    return result;
}

KelResult SVFFile::navigateTAPImpl(TapState state, uint32_t count) {
    const uint32_t wait = std::exchange(pendingWait, 0u);  // for this call only
    if (!requireWritableFile()) {
        return KEL_FAILURE;
    }
    const char* holdable = svf::holdableStateName(state);
    if (count != 0 && holdable == nullptr) {
        // A player passes through such a state on its way; clocks there would be made up.
        const char* stateName = TapStateMachine::getStateName(state);
        char text[192];
        std::snprintf(text, sizeof text,
                      "<SVFFile> Cannot clock in %s: SVF holds the TAP only in RESET, IDLE, "
                      "DRPAUSE and IRPAUSE\n",
                      stateName != nullptr ? stateName : "0 (NULL)");
        reportMessage(KEL_MSG_ERROR, text);
        return KEL_FAILURE;
    }
    const uint64_t lostBefore = lostWrites;
    const auto nothingLost = [&] { return lostWrites == lostBefore; };
    if (state == KELJTAG_TEST_LOGIC_RESET) {
        // Traced in its own right; a lost write shows in lostWrites. Clocks in reset change no
        // device, and the replay stays in reset: only a wait is written.
        initializeTAP();
        if (wait != 0 && nothingLost()) {
            writeRun(KELJTAG_TEST_LOGIC_RESET, 0, wait);
        }
    } else if (state == KELJTAG_RUN_TEST_IDLE) {
        if (kelSucceeded(writeText("STATE IDLE;\r\n"))) {
            replay.at = KELJTAG_RUN_TEST_IDLE;
            if (count != 0 || wait != 0) {
                writeRun(KELJTAG_RUN_TEST_IDLE, count, wait);
            }
        }
    } else if (holdable != nullptr) {
        // The run itself takes the replay to the pause state; without one nothing moves.
        if (count != 0 || wait != 0) {
            writeRun(state, count, wait);
        }
    } else if (wait != 0) {
        // Other states are reached by the scan statements themselves on replay; the wait is
        // spent where the replay is.
        writeRun(replay.at, 0, wait);
    }
    return nothingLost() ? KEL_SUCCESS : KEL_FAILURE;
}

KelResult SVFFile::waitTimeImpl(uint32_t wait) {
    if (wait == 0) {
        printMessage(KEL_PRINT_DETAIL, "<SVFFile> waitTimeImpl:A wait of 0 us writes nothing...\n");
        return KEL_SUCCESS;
    }
    if (!requireWritableFile() || !writeRun(replay.at, 0, wait)) {
        return KEL_FAILURE;
    }
    printMessage(KEL_PRINT_DETAIL, "<SVFFile> waitTimeImpl:Wrote a wait of %u us to the file...\n",
                 wait);
    return KEL_SUCCESS;
}

bool SVFFile::writeRun(TapState state, uint32_t clocks, uint32_t microseconds) {
    const char* name = svf::holdableStateName(state);
    if (state == KELJTAG_TEST_LOGIC_RESET) {
        clocks = 0;
    }
    // Clock and time chunks are paired in order, one RUNTEST per pair.
    while (clocks != 0 || microseconds != 0) {
        svf::RunTest run;
        run.clocks = std::min(clocks, svf::kMaxClocksPerRun);
        run.microseconds = microseconds != 0 ? svf::nextTimeChunk(microseconds) : 0;
        // The short form relies on Run-Test/Idle being the run and end state in force; any other
        // run names its state, which is then in force.
        const bool idleInForce = state == KELJTAG_RUN_TEST_IDLE &&
                                 replay.runState == KELJTAG_RUN_TEST_IDLE &&
                                 replay.runEndState == KELJTAG_RUN_TEST_IDLE;
        if (!idleInForce) {
            run.runState = name;
            run.endState = name;
        }
        if (!written(svf::writeRunTest(outputFile, run))) {
            return false;
        }
        replay.runState = state;
        replay.runEndState = state;
        replay.at = state;
        clocks -= run.clocks;
        microseconds -= run.microseconds;
    }
    return true;
}

}  // namespace KelPluginInterface
