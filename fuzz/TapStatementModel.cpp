#include "TapStatementModel.h"

#include <algorithm>

namespace kelfuzz {
namespace {

using namespace KelPluginInterface;

constexpr uint32_t kMaxClocksPerRun = 2147483647;
constexpr uint32_t kMaxTimePerRun = 2000000000;

// The SVF name of a state SVF can hold the TAP in; null for any other.
const char* holdableName(TapState state) {
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

std::vector<uint32_t> clockParts(uint32_t clocks) {
    std::vector<uint32_t> parts;
    while (clocks != 0) {
        parts.push_back(std::min(clocks, kMaxClocksPerRun));
        clocks -= parts.back();
    }
    return parts;
}

}  // namespace

bool bothPlayersReadExactly(uint64_t microseconds) {
    if (microseconds > 2147483647) {
        return false;
    }
    const double seconds = static_cast<double>(microseconds) / 1e6;
    return static_cast<uint32_t>(1000000.0f * static_cast<float>(seconds)) == microseconds;
}

std::vector<uint32_t> timeParts(uint32_t microseconds) {
    std::vector<uint32_t> parts;
    while (microseconds != 0) {
        uint32_t part = std::min(microseconds, kMaxTimePerRun);
        while (!bothPlayersReadExactly(part)) {
            --part;
        }
        parts.push_back(part);
        microseconds -= part;
    }
    return parts;
}

TapStatementModel::TapStatementModel()
    : replayState_(KELJTAG_TEST_LOGIC_RESET),
      runState_(KELJTAG_RUN_TEST_IDLE),
      runEndState_(KELJTAG_RUN_TEST_IDLE),
      irEnd_(KELJTAG_RUN_TEST_IDLE),
      drEnd_(KELJTAG_RUN_TEST_IDLE) {}

void TapStatementModel::lock(std::vector<ModelStatement>& out) {
    navigate(KELJTAG_TEST_LOGIC_RESET, 0, 0, out);
    navigate(KELJTAG_RUN_TEST_IDLE, 0, 0, out);
}

void TapStatementModel::unlock(std::vector<ModelStatement>& out) {
    navigate(KELJTAG_RUN_TEST_IDLE, 0, 0, out);
}

bool TapStatementModel::navigate(TapState state, uint32_t count, uint32_t wait,
                                 std::vector<ModelStatement>& out) {
    const char* name = holdableName(state);
    if (count != 0 && name == nullptr) {
        return false;
    }
    if (state == KELJTAG_TEST_LOGIC_RESET) {
        out.push_back({"STATE", {"RESET"}});
        replayState_ = state;
        run(state, 0, wait, out);  // clocks in reset change nothing and are not written
    } else if (state == KELJTAG_RUN_TEST_IDLE) {
        out.push_back({"STATE", {"IDLE"}});
        replayState_ = state;
        run(state, count, wait, out);
    } else if (name != nullptr) {
        run(state, count, wait, out);
    } else {
        run(replayState_, 0, wait, out);
    }
    return true;
}

void TapStatementModel::waitTime(uint32_t microseconds, std::vector<ModelStatement>& out) {
    run(replayState_, 0, microseconds, out);
}

void TapStatementModel::run(TapState state, uint32_t clocks, uint32_t microseconds,
                            std::vector<ModelStatement>& out) {
    const std::vector<uint32_t> clocksEach = clockParts(clocks);
    const std::vector<uint32_t> timeEach = timeParts(microseconds);
    const char* name = holdableName(state);
    for (size_t i = 0; i < std::max(clocksEach.size(), timeEach.size()); ++i) {
        ModelStatement statement{"RUNTEST", {}};
        const bool shortForm = state == KELJTAG_RUN_TEST_IDLE &&
                               runState_ == KELJTAG_RUN_TEST_IDLE &&
                               runEndState_ == KELJTAG_RUN_TEST_IDLE;
        if (!shortForm) {
            statement.words.push_back(name);
        }
        if (i < clocksEach.size()) {
            statement.words.push_back(std::to_string(clocksEach[i]));
            statement.words.push_back("TCK");
        }
        if (i < timeEach.size()) {
            statement.words.push_back(std::to_string(timeEach[i]) + "E-06");
            statement.words.push_back("SEC");
        }
        if (!shortForm) {
            statement.words.push_back("ENDSTATE");
            statement.words.push_back(name);
        }
        out.push_back(std::move(statement));
        runState_ = state;
        runEndState_ = state;
        replayState_ = state;
    }
}

void TapStatementModel::beforeScan(bool ir, int32_t endState, std::vector<ModelStatement>& out) {
    // Run-Test/Idle and the pause states are honoured; any other end state, Test-Logic-Reset
    // included (a common player aborts on a scan that ends there), means Run-Test/Idle.
    auto target = static_cast<TapState>(endState);
    if (target != KELJTAG_PAUSE_DR && target != KELJTAG_PAUSE_IR) {
        target = KELJTAG_RUN_TEST_IDLE;
    }
    TapState& inForce = ir ? irEnd_ : drEnd_;
    if (inForce != target) {
        out.push_back({ir ? "ENDIR" : "ENDDR", {holdableName(target)}});
        inForce = target;
    }
    replayState_ = target;
}

}  // namespace kelfuzz
