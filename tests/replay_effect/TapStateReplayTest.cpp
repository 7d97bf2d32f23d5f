// Replay with effect of the TAP statements: files written through the loaded plug-in are played
// by OpenOCD into the simulated chain, whose TAP controllers count the clocks spent in each
// state. Clocks must land in the state the host named, scans must leave the TAP in their end
// state, and the player must wait at least as long as the host asked.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ReplayFixture.h"
#include "kel/KelPlugin.h"
#include "kelhost/PluginLibrary.h"

namespace {

namespace fs = std::filesystem;
using namespace replay;
using namespace KelPluginInterface;

constexpr CallContext kNoContext{};
constexpr const char* kUnlockStatement = "STATE IDLE;\r\n";

const std::vector<DeviceSetup> kChain{
    {6, 0x1A2B3C4D, {{0x2a, 16}}},
    {8, 0x0F0E0D0B, {{0x05, 32}}},
    {10, 0x12345679, {{0x3c5, 40}}},
};

const char* nameOf(TapState state) {
    return TapStateMachine::getStateName(state);
}

std::string show(const std::vector<StateVisit>& visits) {
    return ::testing::PrintToString(visits);
}

// The last `count` visits (all of them when there are fewer).
std::vector<StateVisit> lastVisits(const std::vector<StateVisit>& visits, size_t count) {
    return {visits.end() - static_cast<std::ptrdiff_t>(std::min(count, visits.size())),
            visits.end()};
}

using Session = std::function<void(KelPlugin&)>;

class TapStateReplay : public ReplayTest {
  protected:
    void SetUp() override {
        ReplayTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        std::string error;
        library_ = kelhost::PluginLibrary::load(KEL_PLUGIN_PATH, &error);
        ASSERT_NE(library_, nullptr) << error;
    }

    // Writes a session through the plug-in into `name` in the test's folder: open, the chain of
    // kChain, lock, `body` (every operation of which must succeed), unlock, close.
    fs::path writeSession(const std::string& name, const Session& body) {
        const fs::path path = folder_ / name;
        kelhost::TargetPtr target = kelhost::makeTarget(*library_);
        const std::string fname = "fname=" + path.string();
        const char* const options[] = {fname.c_str(), "type=SVF"};
        EXPECT_EQ(KEL_SUCCESS, target->openTarget(2, options, kNoContext));
        EXPECT_EQ(KEL_SUCCESS, target->setDeviceCount(static_cast<uint32_t>(kChain.size())));
        for (uint32_t device = 0; device < kChain.size(); ++device) {
            EXPECT_EQ(KEL_SUCCESS, target->setIRLength(device, kChain[device].irLength));
        }
        EXPECT_EQ(KEL_SUCCESS, target->lockTarget(0));
        body(*target);
        EXPECT_EQ(KEL_SUCCESS, target->unlockTarget());
        EXPECT_EQ(KEL_SUCCESS, target->closeTarget());
        return path;
    }

    // The session's file without the statement the unlock adds at its end: playing it shows
    // where the session's own last statement leaves the TAP.
    fs::path withoutUnlock(const fs::path& path) {
        std::string text = readFile(path);
        const std::string unlock = kUnlockStatement;
        EXPECT_TRUE(text.ends_with(unlock)) << text;
        text.resize(text.size() - std::min(text.size(), unlock.size()));
        const fs::path cut = path.string() + ".before-unlock.svf";
        std::ofstream(cut, std::ios::binary) << text;
        return cut;
    }

    // Writes the session and plays it without the unlock's statement.
    Replay playUpToUnlock(kelsim::SimulatedChain& chain, const std::string& name,
                          const Session& body, const ReplayOptions& options = {}) {
        const fs::path path = writeSession(name, body);
        SCOPED_TRACE(readFile(path));
        return replay(chain, withoutUnlock(path), options);
    }

    std::unique_ptr<kelhost::PluginLibrary> library_;
};

struct ClockRun {
    TapState state;
    uint32_t count;
    uint64_t clocksThere;  // what the replay spends in the state
};

// Clocks asked for in a state SVF can hold are spent there, and nowhere else: the replay stays
// in that state, with exactly that many clocks in it. The move to Run-Test/Idle ("STATE IDLE;")
// comes before the run there, and OpenOCD spends one clock on it when already in that state.
TEST_F(TapStateReplay, ClocksLandInTheStateNamedAndTheReplayStaysThere) {
    for (const auto& [state, count, clocksThere] :
         {ClockRun{KELJTAG_PAUSE_DR, 5, 5}, ClockRun{KELJTAG_PAUSE_IR, 9, 9},
          ClockRun{KELJTAG_RUN_TEST_IDLE, 100, 1 + 100}}) {
        SCOPED_TRACE(nameOf(state));
        kelsim::SimulatedChain chain = makeChain(kChain);
        const Replay played = playUpToUnlock(chain, "run.svf", [&](KelPlugin& target) {
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(state, count));
        });
        EXPECT_EQ(nameOf(chain.state()), std::string(nameOf(state)));
        ASSERT_FALSE(played.visits.empty());
        EXPECT_EQ(played.visits.back(), (StateVisit{state, clocksThere})) << show(played.visits);
        EXPECT_EQ(chain.clocksIn(state), clocksThere);  // the only visit
    }
}

// Clocks in Test-Logic-Reset change no device: the replay reaches reset and stays there, with
// the same clocks in every state as when no clocks were asked for, a wait included.
TEST_F(TapStateReplay, ClocksInResetStayInResetAndAddNoClockElsewhere) {
    std::vector<std::vector<uint64_t>> clocksPerState;
    for (const uint32_t count : {0u, 5u}) {
        SCOPED_TRACE(count);
        kelsim::SimulatedChain chain = makeChain(kChain);
        const Replay played = playUpToUnlock(chain, "reset.svf", [&](KelPlugin& target) {
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 3));
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_TEST_LOGIC_RESET, count));
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_TEST_LOGIC_RESET, count, 1000));
        });
        EXPECT_EQ(chain.state(), KELJTAG_TEST_LOGIC_RESET);
        ASSERT_GE(played.visits.size(), 2u);
        EXPECT_EQ(played.visits.back().state, KELJTAG_TEST_LOGIC_RESET) << show(played.visits);
        // Reached from Select-IR-Scan by the reset path, with no detour after it.
        EXPECT_EQ(played.visits[played.visits.size() - 2].state, KELJTAG_SELECT_IR_SCAN)
            << show(played.visits);
        std::vector<uint64_t> counts;
        for (int32_t state = 0; state < 16; ++state) {
            counts.push_back(chain.clocksIn(static_cast<TapState>(state)));
        }
        clocksPerState.push_back(counts);
        for (size_t d = 0; d < chain.deviceCount(); ++d) {
            EXPECT_EQ(chain.device(d).instruction(), chain.device(d).idcodeInstruction());
        }
    }
    EXPECT_EQ(clocksPerState[0], clocksPerState[1]);
}

// Back in Run-Test/Idle after a run in a pause state, the clocks asked for are spent in
// Run-Test/Idle, reached by the shortest path out of the pause state.
TEST_F(TapStateReplay, BackToIdleAfterAPauseRunTheClocksAreSpentInIdle) {
    struct Pause {
        TapState state;
        TapState exit2;
        TapState update;
    };
    for (const auto& [pause, exit2, update] :
         {Pause{KELJTAG_PAUSE_DR, KELJTAG_EXIT2_DR, KELJTAG_UPDATE_DR},
          Pause{KELJTAG_PAUSE_IR, KELJTAG_EXIT2_IR, KELJTAG_UPDATE_IR}}) {
        SCOPED_TRACE(nameOf(pause));
        kelsim::SimulatedChain chain = makeChain(kChain);
        const Replay played = playUpToUnlock(chain, "back.svf", [&](KelPlugin& target) {
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(pause, 5));
            EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 7));
        });
        EXPECT_EQ(chain.state(), KELJTAG_RUN_TEST_IDLE);
        const std::vector<StateVisit> expected{
            {pause, 5 + 1}, {exit2, 1}, {update, 1}, {KELJTAG_RUN_TEST_IDLE, 7}};
        EXPECT_EQ(lastVisits(played.visits, 4), expected) << show(played.visits);
    }
}

struct EndStateCase {
    TapState endState;
    TapState replayEndsIn;
};

// Each scan leaves the replay in its end state, and the instruction and data still land whole
// in the device written. Any end state but the pause states means Run-Test/Idle, Test-Logic-
// Reset included: OpenOCD stops with a failed assertion on a scan while ENDIR or ENDDR RESET is
// in force.
TEST_F(TapStateReplay, ScansLeaveTheReplayInTheirEndState) {
    const std::vector<EndStateCase> cases{
        {KELJTAG_RUN_TEST_IDLE, KELJTAG_RUN_TEST_IDLE},
        {KELJTAG_PAUSE_IR, KELJTAG_PAUSE_IR},
        {KELJTAG_PAUSE_DR, KELJTAG_PAUSE_DR},
        {KELJTAG_TEST_LOGIC_RESET, KELJTAG_RUN_TEST_IDLE},
        {KELJTAG_SHIFT_DR, KELJTAG_RUN_TEST_IDLE},
        {KELJTAG_EXIT1_IR, KELJTAG_RUN_TEST_IDLE},
    };
    const std::vector<uint8_t> instruction = hexBits("05", 8);
    const std::vector<uint8_t> data = hexBits("12345678", 32);
    for (const auto& [endState, replayEndsIn] : cases) {
        for (const bool irScan : {true, false}) {
            SCOPED_TRACE(std::string(irScan ? "SIR" : "SDR") + " ending in " + nameOf(endState));
            const Session session = [&](KelPlugin& target) {
                EXPECT_EQ(KEL_SUCCESS, target.writeDeviceIR(
                                           1, instruction.data(), nullptr, 8,
                                           irScan ? endState : KELJTAG_RUN_TEST_IDLE, kNoContext));
                if (!irScan) {
                    EXPECT_EQ(KEL_SUCCESS, target.writeDeviceDR(1, data.data(), nullptr, 32,
                                                                endState, kNoContext));
                }
            };
            kelsim::SimulatedChain chain = makeChain(kChain);
            playUpToUnlock(chain, "scan.svf", session);
            EXPECT_EQ(nameOf(chain.state()), std::string(nameOf(replayEndsIn)));

            // A scan that ends in the other register's pause state captures and updates that
            // register too, which the comparison of updates does not expect.
            if ((irScan && replayEndsIn == KELJTAG_PAUSE_DR) ||
                (!irScan && replayEndsIn == KELJTAG_PAUSE_IR)) {
                continue;
            }
            kelsim::SimulatedChain whole = makeChain(kChain);
            const Replay played = replay(whole, writeSession("whole.svf", session));
            std::vector<Write> writes{ir(1, "05", 8)};
            if (!irScan) {
                writes.push_back(dr(1, "12345678", 32));
            }
            EXPECT_EQ(mismatches(whole, played.updates, writes), std::vector<std::string>{});
        }
    }
}

struct WaitCase {
    const char* name;
    Session session;
    TapState waitsIn;  // where the replay is while the player waits
};

constexpr uint32_t kWait = 300000;  // microseconds

// The player waits at least as long as the host asked, in every state a wait can be spent in.
TEST_F(TapStateReplay, ThePlayerWaitsAtLeastAsLongAsAsked) {
    const std::vector<WaitCase> cases{
        {"a run in Run-Test/Idle with a wait",
         [](KelPlugin& target) {
             EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 10, kWait));
         },
         KELJTAG_RUN_TEST_IDLE},
        {"a run in Pause-DR with a wait",
         [](KelPlugin& target) {
             EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_PAUSE_DR, 5, kWait));
         },
         KELJTAG_PAUSE_DR},
        {"a wait in Test-Logic-Reset",
         [](KelPlugin& target) {
             EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 5, kWait));
         },
         KELJTAG_TEST_LOGIC_RESET},
        {"waitTime after a run in Pause-IR",
         [](KelPlugin& target) {
             EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_PAUSE_IR, 2));
             EXPECT_EQ(KEL_SUCCESS, target.waitTime(kWait));
         },
         KELJTAG_PAUSE_IR},
    };
    for (const WaitCase& test : cases) {
        SCOPED_TRACE(test.name);
        kelsim::SimulatedChain chain = makeChain(kChain);
        const Replay played = playUpToUnlock(chain, "wait.svf", test.session);
        EXPECT_GE(played.time.count(), kWait);
        EXPECT_EQ(chain.state(), test.waitsIn);  // the wait moved nothing
    }
}

// The player is asked for exactly the microseconds the host asked for: a wait it cannot read
// exactly from one statement comes in parts that add up (247 us). Where OpenOCD sends its waits
// over remote_bitbang the server records them, with the state they were spent in; otherwise
// its detailed log names each wait it makes.
TEST_F(TapStateReplay, ThePlayerIsAskedForExactlyTheMicrosecondsWritten) {
    const Session session = [](KelPlugin& target) {
        EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 10, 1));
        EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_PAUSE_DR, 3, 1500));
        EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_PAUSE_IR, 2, 247));
        EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 4));
        EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_SHIFT_DR, 0, 999999));  // in IDLE
        EXPECT_EQ(KEL_SUCCESS, target.navigateTAP(KELJTAG_TEST_LOGIC_RESET, 0));
        EXPECT_EQ(KEL_SUCCESS, target.waitTime(1500));
    };
    kelsim::SimulatedChain chain = makeChain(kChain);
    ReplayOptions options;
    options.waitsOverProtocol = openOcdSendsWaits();
    options.detailedLog = !options.waitsOverProtocol;
    const Replay played = playUpToUnlock(chain, "exact.svf", session, options);
    RecordProperty("waits_seen_in", options.waitsOverProtocol ? "protocol" : "player log");
    if (options.waitsOverProtocol) {
        const std::vector<PlayerWait> expected{{KELJTAG_RUN_TEST_IDLE, 1},
                                               {KELJTAG_PAUSE_DR, 1500},
                                               {KELJTAG_PAUSE_IR, 247},
                                               {KELJTAG_RUN_TEST_IDLE, 999999},
                                               {KELJTAG_TEST_LOGIC_RESET, 1500}};
        EXPECT_EQ(played.waits, expected);
    } else {
        EXPECT_EQ(loggedWaits(played.log), (std::vector<uint64_t>{1, 1500, 247, 999999, 1500}))
            << played.log;
        EXPECT_GE(played.time.count(), 1 + 1500 + 247 + 999999 + 1500);
    }
}

}  // namespace
