// The TAP tables, checked for every (from, to) pair: each stored path is replayed through the
// successor table and compared with a shortest path found here by search.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <deque>
#include <string>

#include "kel/TapStateMachine.h"

namespace {

using namespace KelPluginInterface;

constexpr int kStates = KELJTAG_STATE_COUNT;

TapState stateAt(int value) {
    return static_cast<TapState>(value);
}

uint32_t tmsOfClock(uint8_t bits, int32_t clock) {
    return (static_cast<uint32_t>(bits) >> clock) & 1u;
}

// Replays a stored path one clock at a time; a path holds at most 8 clocks.
TapState replay(TapState from, uint8_t bits, int32_t length) {
    TapState state = from;
    for (int32_t clock = 0; clock < length && clock < 8; ++clock) {
        state = TapStateMachine::nextState(state, tmsOfClock(bits, clock));
    }
    return state;
}

// The TMS values of a stored path in clock order, first clock leftmost ("11100").
std::string pathText(TapState from, TapState to) {
    const uint8_t bits = TapStateMachine::getTMSPath(from, to);
    std::string text;
    for (int32_t clock = 0; clock < TapStateMachine::getTMSPathLength(from, to); ++clock) {
        text += tmsOfClock(bits, clock) == 1 ? '1' : '0';
    }
    return text;
}

// Whether a navigation path may take this clock: never into Test-Logic-Reset, never holding in a
// Shift or Pause state, never from Exit2 back into Shift.
bool usableStep(TapState from, TapState to) {
    if (to == KELJTAG_TEST_LOGIC_RESET || from == to) {
        return false;
    }
    return !(from == KELJTAG_EXIT2_DR && to == KELJTAG_SHIFT_DR) &&
           !(from == KELJTAG_EXIT2_IR && to == KELJTAG_SHIFT_IR);
}

struct Shortest {
    int length = -1;
    int ways = 0;  // how many distinct shortest sequences exist
    std::string tms;
};

// Breadth-first search over TMS sequences of at least one clock, using the usable steps only, with
// the one exception that Run-Test/Idle may hold (its self-loop is a legal path to itself).
Shortest searchShortest(TapState from, TapState to) {
    struct Node {
        TapState state;
        std::string tms;
    };
    Shortest best;
    std::deque<Node> queue{{from, ""}};
    while (!queue.empty()) {
        Node node = queue.front();
        queue.pop_front();
        if (best.length >= 0 && static_cast<int>(node.tms.size()) >= best.length) {
            continue;
        }
        for (uint32_t tms = 0; tms < 2; ++tms) {
            const TapState next = TapStateMachine::nextState(node.state, tms);
            const bool idleHold = node.state == KELJTAG_RUN_TEST_IDLE && next == node.state;
            if (!usableStep(node.state, next) && !idleHold) {
                continue;
            }
            std::string tmsText = node.tms + (tms == 1 ? '1' : '0');
            if (next == to) {
                const int length = static_cast<int>(tmsText.size());
                if (best.length < 0 || length < best.length) {
                    best = {length, 1, tmsText};
                } else if (length == best.length) {
                    ++best.ways;
                }
            } else if (tmsText.size() < 8) {
                queue.push_back({next, std::move(tmsText)});
            }
        }
    }
    return best;
}

TEST(TapStateMachine, EveryPathArrivesWithinEightClocksAndIsClean) {
    for (int from = 0; from < kStates; ++from) {
        for (int to = 0; to < kStates; ++to) {
            SCOPED_TRACE("from " + std::to_string(from) + " to " + std::to_string(to));
            const uint8_t bits = TapStateMachine::getTMSPath(stateAt(from), stateAt(to));
            const int32_t length = TapStateMachine::getTMSPathLength(stateAt(from), stateAt(to));
            ASSERT_GE(length, 1);
            ASSERT_LE(length, 8);
            EXPECT_EQ(length < 8 ? bits >> length : 0, 0) << "bits above the path's length";
            EXPECT_EQ(replay(stateAt(from), bits, length), stateAt(to));
        }
    }
}

TEST(TapStateMachine, EveryPathToResetIsFiveOnes) {
    for (int from = 0; from < kStates; ++from) {
        EXPECT_EQ(TapStateMachine::getTMSPath(stateAt(from), KELJTAG_TEST_LOGIC_RESET), 0x1F);
        EXPECT_EQ(TapStateMachine::getTMSPathLength(stateAt(from), KELJTAG_TEST_LOGIC_RESET), 5);
    }
}

TEST(TapStateMachine, EveryOtherPathIsTheUniqueShortestUsablePath) {
    for (int from = 0; from < kStates; ++from) {
        for (int to = 1; to < kStates; ++to) {
            SCOPED_TRACE("from " + std::to_string(from) + " to " + std::to_string(to));
            const Shortest shortest = searchShortest(stateAt(from), stateAt(to));
            EXPECT_EQ(shortest.ways, 1);
            EXPECT_EQ(pathText(stateAt(from), stateAt(to)), shortest.tms);
        }
    }
}

TEST(TapStateMachine, DocumentedPaths) {
    EXPECT_EQ(pathText(KELJTAG_SHIFT_DR, KELJTAG_SHIFT_DR), "11100");
    EXPECT_EQ(pathText(KELJTAG_PAUSE_IR, KELJTAG_PAUSE_IR), "1111010");
    EXPECT_EQ(pathText(KELJTAG_PAUSE_DR, KELJTAG_PAUSE_DR), "111010");  // via Update, Capture
    EXPECT_EQ(pathText(KELJTAG_RUN_TEST_IDLE, KELJTAG_RUN_TEST_IDLE), "0");
    EXPECT_EQ(pathText(KELJTAG_SELECT_IR_SCAN, KELJTAG_SELECT_DR_SCAN), "0111");
    EXPECT_EQ(pathText(KELJTAG_CAPTURE_DR, KELJTAG_EXIT2_IR), "11110101");
    EXPECT_EQ(pathText(KELJTAG_SHIFT_DR, KELJTAG_EXIT2_IR), "11110101");

    // Stored form: bit 0 is the first clock.
    EXPECT_EQ(TapStateMachine::getTMSPath(KELJTAG_SELECT_DR_SCAN, KELJTAG_RUN_TEST_IDLE), 0x06);
    EXPECT_EQ(TapStateMachine::getTMSPathLength(KELJTAG_SELECT_DR_SCAN, KELJTAG_RUN_TEST_IDLE), 4);
    EXPECT_EQ(TapStateMachine::getTMSPath(KELJTAG_CAPTURE_DR, KELJTAG_EXIT2_IR), 0xAF);
    EXPECT_EQ(TapStateMachine::getTMSPathLength(KELJTAG_CAPTURE_DR, KELJTAG_EXIT2_IR), 8);
}

TEST(TapStateMachine, FiveOnesResetFromAnywhere) {
    for (int from = 0; from < kStates; ++from) {
        EXPECT_EQ(replay(stateAt(from), 0x1F, 5), KELJTAG_TEST_LOGIC_RESET) << from;
    }
}

TEST(TapStateMachine, ApplyTmsTreatsEveryValueButOneAsZero) {
    TapStateMachine tap;
    EXPECT_EQ(tap.getState(), KELJTAG_TEST_LOGIC_RESET);
    tap.setState(KELJTAG_CAPTURE_DR);
    tap.applyTMS(2);
    EXPECT_EQ(tap.getState(), KELJTAG_SHIFT_DR);
    tap.applyTMS(1);
    EXPECT_EQ(tap.getState(), KELJTAG_EXIT1_DR);
    tap.applyTMS(0xFFFFFFFFu);
    EXPECT_EQ(tap.getState(), KELJTAG_PAUSE_DR);
}

TEST(TapStateMachine, NamesFollowTheValues) {
    std::array<std::string, kStates> names;
    for (int value = 0; value < kStates; ++value) {
        const char* name = TapStateMachine::getStateName(stateAt(value));
        ASSERT_NE(name, nullptr);
        names[static_cast<size_t>(value)] = name;
    }
    EXPECT_EQ(names[0], "KELJTAG_TEST_LOGIC_RESET");
    EXPECT_EQ(names[4], "KELJTAG_SHIFT_DR");
    EXPECT_EQ(names[7], "KELJTAG_EXIT2_DR");
    EXPECT_EQ(names[13], "KELJTAG_PAUSE_IR");
    EXPECT_EQ(names[15], "KELJTAG_UPDATE_IR");

    TapStateMachine tap;
    tap.setState(KELJTAG_SELECT_IR_SCAN);
    EXPECT_STREQ(tap.getCurrentStateName(), "KELJTAG_SELECT_IR_SCAN");
}

TEST(TapStateMachine, ValuesOutsideTheSixteenStatesAreNeverLookedUp) {
    for (const int value : {-1, 16, 0x7FFFFFFF, static_cast<int>(0x80000000u)}) {
        SCOPED_TRACE(value);
        const TapState bad = stateAt(value);
        EXPECT_EQ(TapStateMachine::getStateName(bad), nullptr);
        EXPECT_EQ(TapStateMachine::getTMSPath(bad, KELJTAG_RUN_TEST_IDLE), 0);
        EXPECT_EQ(TapStateMachine::getTMSPathLength(KELJTAG_RUN_TEST_IDLE, bad), 0);
        EXPECT_EQ(TapStateMachine::nextState(bad, 1), bad);

        TapStateMachine tap;
        tap.setState(bad);
        tap.applyTMS(0);
        EXPECT_EQ(tap.getState(), bad);
        EXPECT_EQ(tap.getCurrentStateName(), nullptr);
    }
}

}  // namespace
