// Replay with effect: OpenOCD plays the SVF files kelsvf writes into a simulated chain, served
// through its remote_bitbang adapter, and each device must have received exactly the
// instructions and data the script wrote to it, every other device sitting in BYPASS.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ReplayFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace replay;

using ReplayEffectTest = ReplayTest;

const fs::path kExamples = KELSVF_EXAMPLES_DIR;

const std::vector<DeviceSetup> kWorkedChain{
    {6, 0x1A2B3C4D, {{0x2a, 16}}},
    {8, 0x0F0E0D0B, {{0x05, 32}}},
    {10, 0x12345679, {{0x3c5, 40}}},
};

const std::vector<Write> kWorkedWrites{
    ir(1, "05", 8),    dr(1, "12345678", 32), ir(0, "2a", 6),
    dr(0, "beef", 16), ir(2, "3c5", 10),      dr(2, "0123456789", 40),
};

TEST_F(ReplayEffectTest, ThreeDevicesEachWrittenInTurnOthersInBypass) {
    kelsim::SimulatedChain chain = makeChain(kWorkedChain);
    const auto updates = replay(chain, writeExample("worked-example")).updates;
    EXPECT_EQ(mismatches(chain, updates, kWorkedWrites), std::vector<std::string>{});
}

TEST_F(ReplayEffectTest, ABitstreamOfThousandsOfBitsLandsWholeInItsDataRegister) {
    const std::string bitstream = readFile(kExamples / "bitstream.bin");
    const auto bits = static_cast<uint32_t>(bitstream.size() * 8);
    ASSERT_GE(bits, 2000u);
    kelsim::SimulatedChain chain =
        makeChain({{6, 0x1A2B3C4D, {}}, {8, 0x0F0E0D0B, {}}, {10, 0x12345679, {{0x3c5, bits}}}});
    const auto updates = replay(chain, writeExample("bitstream")).updates;
    const Write data{false, 2, std::vector<uint8_t>(bitstream.begin(), bitstream.end())};
    EXPECT_EQ(mismatches(chain, updates, {ir(2, "3c5", 10), data}), std::vector<std::string>{});
}

TEST_F(ReplayEffectTest, ASingleDeviceAndAChainFromAChainFile) {
    kelsim::SimulatedChain single = makeChain({{6, 0x1A2B3C4D, {{0x09, 200}}}});
    auto updates = replay(single, writeExample("single-device")).updates;
    EXPECT_EQ(mismatches(single, updates,
                         {ir(0, "09", 6),
                          dr(0, "0123456789abcdef0123456789abcdef0123456789abcdef01", 200)}),
              std::vector<std::string>{});

    kelsim::SimulatedChain fromFile = makeChain(
        {{4, 0x1A2B3C4D, {{0xe, 16}}}, {5, 0x0F0E0D0B, {}}, {7, 0x12345679, {{0x2a, 64}}}});
    updates = replay(fromFile, writeExample("chain-file")).updates;
    EXPECT_EQ(mismatches(fromFile, updates,
                         {ir(0, "e", 4), dr(0, "beef", 16), ir(2, "2a", 7),
                          dr(2, "0123456789abcdef", 64)}),
              std::vector<std::string>{});
}

// The check itself must catch a file that plays without complaint but puts bits in the wrong
// place: a missing DR trailer bit, or a wrong instruction.
TEST_F(ReplayEffectTest, ADeliberatelyWrongSvfFailsTheCheck) {
    const std::string good = readFile(writeExample("worked-example"));
    struct Corruption {
        std::string from;
        std::string to;
        std::string firstMismatch;
    };
    const std::vector<Corruption> corruptions{
        {"TDR 1 TDI (00);", "TDR 0;", "update 1: device 1 latched other data in its data register"},
        {"SIR 8 TDI (05);", "SIR 8 TDI (06);", "update 0: device 1 latched instruction 6"},
    };
    for (const auto& [from, to, firstMismatch] : corruptions) {
        std::string wrong = good;
        const size_t at = wrong.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        wrong.replace(at, from.size(), to);
        const fs::path path = folder_ / "wrong.svf";
        std::ofstream(path, std::ios::binary) << wrong;

        kelsim::SimulatedChain chain = makeChain(kWorkedChain);
        const auto updates = replay(chain, path).updates;
        const std::vector<std::string> found = mismatches(chain, updates, kWorkedWrites);
        ASSERT_FALSE(found.empty()) << to;
        EXPECT_EQ(found.front(), firstMismatch) << to;
    }
}

}  // namespace
