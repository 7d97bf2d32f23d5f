// The simulated chain itself: its whole-scan shift must match clocking bit by bit, and its
// devices must behave as the standard's TAP, IR and IDCODE rules say.
#include <random>

#include "ScanTestSupport.h"
#include "kelsim/SimulatedChain.h"

namespace {

using namespace scantest;
using namespace KelPluginInterface;
using kelsim::SimulatedChain;
using kelsim::SimulatedDevice;

constexpr uint64_t kLong = 0x3;

// Device 1 and 2 have long data registers so that a scan crosses whole words inside them.
SimulatedChain makeChain() {
    std::vector<SimulatedDevice> devices{SimulatedDevice(5, 0x1A2B3C4D), SimulatedDevice(3),
                                         SimulatedDevice(7, 0x0F0E0D0B)};
    devices[1].addDataRegister(kLong, 70);
    devices[2].addDataRegister(kLong, 129);
    return SimulatedChain(std::move(devices));
}

void clockPath(SimulatedChain& chain, std::initializer_list<int> tmsBits) {
    for (const int tms : tmsBits) {
        chain.clock(tms != 0, true);
    }
}

// Loads `instruction` into every device: from Run-Test/Idle through Shift-IR and back.
void loadInstruction(SimulatedChain& chain, uint64_t instruction) {
    clockPath(chain, {1, 1, 0, 0});  // Select-DR, Select-IR, Capture-IR, Shift-IR
    for (size_t d = chain.deviceCount(); d-- > 0;) {
        for (uint32_t bit = 0; bit < chain.device(d).irLength(); ++bit) {
            const bool last = d == 0 && bit + 1 == chain.device(d).irLength();
            chain.clock(last, ((instruction >> bit) & 1u) != 0);
        }
    }
    clockPath(chain, {1, 0});  // Update-IR, Run-Test/Idle
}

Bytes randomBits(std::mt19937& random, uint32_t bitCount) {
    Bytes bytes((bitCount + 7) / 8);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return bytes;
}

TEST(SimulatedChain, AWholeShiftMatchesClockingBitByBit) {
    std::mt19937 random(99);
    for (const uint64_t instruction : {uint64_t{0x7F}, kLong}) {
        for (uint32_t bitCount = 1; bitCount < 300; bitCount += 7) {
            SimulatedChain fast = makeChain();
            SimulatedChain slow = makeChain();
            for (SimulatedChain* chain : {&fast, &slow}) {
                clockPath(*chain, {0});
                loadInstruction(*chain, instruction);
                clockPath(*chain, {1, 0, 0});  // Select-DR, Capture-DR, Shift-DR
            }
            const Bytes first = randomBits(random, bitCount);
            const Bytes second = randomBits(random, bitCount);

            // Twice, so the second scan sees what the first left in the registers; the second
            // drives and captures in place.
            Bytes fastOut(first.size(), 0);
            fast.shift(first.data(), fastOut.data(), bitCount, false);
            Bytes fastInPlace = second;
            fast.shift(fastInPlace.data(), fastInPlace.data(), bitCount, true);

            Bytes slowOut(first.size(), 0);
            Bytes slowInPlace(second.size(), 0);
            for (uint32_t i = 0; i < bitCount; ++i) {
                slowOut[i / 8] |=
                    static_cast<uint8_t>(slow.clock(false, bitOf(first, i)) << (i % 8));
            }
            for (uint32_t i = 0; i < bitCount; ++i) {
                const bool out = slow.clock(i + 1 == bitCount, bitOf(second, i));
                slowInPlace[i / 8] |= static_cast<uint8_t>(out << (i % 8));
            }
            // The unused top bits of the in-place buffer keep the driven ones.
            if (bitCount % 8 != 0) {
                const auto keep = static_cast<uint8_t>(0xFF << (bitCount % 8));
                slowInPlace.back() =
                    static_cast<uint8_t>(slowInPlace.back() | (second.back() & keep));
            }

            ASSERT_EQ(fastOut, slowOut) << "bits " << bitCount;
            ASSERT_EQ(fastInPlace, slowInPlace) << "bits " << bitCount;
            ASSERT_EQ(fast.state(), KELJTAG_EXIT1_DR);
            ASSERT_EQ(slow.state(), KELJTAG_EXIT1_DR);
            clockPath(fast, {1});
            clockPath(slow, {1});
            for (size_t d = 0; d < 3; ++d) {
                ASSERT_EQ(fast.device(d).selectedDataRegister().updated(),
                          slow.device(d).selectedDataRegister().updated())
                    << "device " << d << " bits " << bitCount;
            }
        }
    }
}

TEST(SimulatedChain, ResetSelectsIdcodeOrBypassAndIRCapturesZeroOne) {
    SimulatedChain chain = makeChain();
    clockPath(chain, {0});
    loadInstruction(chain, kLong);
    EXPECT_EQ(chain.device(1).instruction(), kLong);
    clockPath(chain, {1, 1, 1, 1, 1});
    EXPECT_EQ(chain.state(), KELJTAG_TEST_LOGIC_RESET);
    EXPECT_EQ(chain.device(0).instruction(), chain.device(0).idcodeInstruction());
    EXPECT_EQ(chain.device(1).instruction(), chain.device(1).bypassInstruction());

    // Shift-IR shows each device's captured ...01, the device nearest TDO first.
    clockPath(chain, {0, 1, 1, 0, 0});
    std::string captured;
    for (int i = 0; i < 15; ++i) {
        captured += chain.clock(false, true) ? '1' : '0';
    }
    EXPECT_EQ(captured,
              "1000000"
              "100"
              "10000");

    // TRST ends any scan at once and selects IDCODE or BYPASS again.
    clockPath(chain, {1, 1, 1, 1, 1, 0});
    loadInstruction(chain, kLong);
    ASSERT_EQ(chain.device(2).instruction(), kLong);
    chain.testLogicReset();
    EXPECT_EQ(chain.state(), KELJTAG_TEST_LOGIC_RESET);
    EXPECT_EQ(chain.device(2).instruction(), chain.device(2).idcodeInstruction());
}

// A device whose instruction codes are unknown: only a reset selects IDCODE (its default code
// selects nothing), and one without IDCODE selects a register whose length the player sets.
TEST(SimulatedChain, WithUnknownCodesOnlyAResetSelectsIdcode) {
    std::vector<SimulatedDevice> devices{SimulatedDevice(4, 0x1A2B3C4D), SimulatedDevice(4)};
    for (SimulatedDevice& device : devices) {
        device.setInstructionCodesUnknown();
    }
    SimulatedChain chain(std::move(devices));
    EXPECT_TRUE(chain.device(0).selectedByReset());
    EXPECT_EQ(chain.device(0).selectedDataRegister().length(), 32u);
    EXPECT_EQ(chain.device(1).selectedDataRegister().length(), 1u);
    chain.device(1).setResetRegisterLength(9);
    EXPECT_EQ(chain.device(1).selectedDataRegister().length(), 9u);

    clockPath(chain, {0});
    loadInstruction(chain, chain.device(0).idcodeInstruction());
    for (size_t d = 0; d < 2; ++d) {
        EXPECT_FALSE(chain.device(d).selectedByReset());
        EXPECT_EQ(&chain.device(d).selectedDataRegister(), &chain.device(d).bypassRegister());
    }
    chain.testLogicReset();
    EXPECT_EQ(chain.device(0).selectedDataRegister().length(), 32u);
    EXPECT_EQ(chain.device(1).selectedDataRegister().length(), 9u);
}

// Every clock counts for the state it found the TAP controllers in, whichever way it is given:
// one by one, as a whole shift, or as a held stable state.
TEST(SimulatedChain, CountsTheClocksSpentInEachState) {
    SimulatedChain chain = makeChain();
    clockPath(chain, {1, 1, 0});      // three in Test-Logic-Reset
    chain.runClocks(false, true, 7);  // held in Run-Test/Idle
    clockPath(chain, {1, 0, 0});      // Run-Test/Idle, Select-DR, Capture-DR
    const Bytes bits(5, 0xA5);
    chain.shift(bits.data(), nullptr, 40, true);  // 40 in Shift-DR, the last to Exit1-DR
    clockPath(chain, {0});                        // Exit1-DR to Pause-DR
    chain.runClocks(false, true, 1u << 20);       // held in Pause-DR
    clockPath(chain, {1, 1, 1, 1, 1});            // from Pause-DR to Test-Logic-Reset
    chain.runClocks(true, true, 4);               // Test-Logic-Reset, held
    const std::vector<std::pair<TapState, uint64_t>> expected{
        {KELJTAG_TEST_LOGIC_RESET, 3 + 4},
        {KELJTAG_RUN_TEST_IDLE, 7 + 1},
        {KELJTAG_SELECT_DR_SCAN, 2},
        {KELJTAG_CAPTURE_DR, 1},
        {KELJTAG_SHIFT_DR, 40},
        {KELJTAG_EXIT1_DR, 1},
        {KELJTAG_PAUSE_DR, (1u << 20) + 1},
        {KELJTAG_EXIT2_DR, 1},
        {KELJTAG_UPDATE_DR, 1},
        {KELJTAG_SELECT_IR_SCAN, 1},
    };
    uint64_t listed = 0;
    for (const auto& [state, clocks] : expected) {
        EXPECT_EQ(chain.clocksIn(state), clocks) << TapStateMachine::getStateName(state);
        listed += clocks;
        for (size_t d = 0; d < chain.deviceCount(); ++d) {
            EXPECT_EQ(chain.device(d).clocksIn(state), clocks) << "device " << d;
        }
    }
    uint64_t total = 0;
    for (int32_t state = 0; state < 16; ++state) {
        total += chain.clocksIn(static_cast<TapState>(state));
    }
    EXPECT_EQ(total, listed);  // no clock counted anywhere else

    chain.testLogicReset();  // TRST: no clock
    EXPECT_EQ(chain.clocksIn(KELJTAG_TEST_LOGIC_RESET), 7u);
    chain.clearClockCounts();
    for (int32_t state = 0; state < 16; ++state) {
        EXPECT_EQ(chain.clocksIn(static_cast<TapState>(state)), 0u);
    }
}

TEST(SimulatedChain, AnEmptyChainIsAWireAndAStuckTdoReadsZero) {
    SimulatedChain wire;
    EXPECT_TRUE(wire.clock(false, true));
    EXPECT_FALSE(wire.clock(false, false));

    SimulatedChain stuck = makeChain();
    stuck.setTdoStuckLow(true);
    clockPath(stuck, {0, 1, 0, 0});
    const Bytes ones(8, 0xFF);
    Bytes out(8, 0xFF);
    stuck.shift(ones.data(), out.data(), 64, false);
    EXPECT_EQ(out, Bytes(8, 0x00));
}

}  // namespace
