// OpenOCD plays XSVF too: the XSVF kelsvf convert writes from an SVF file must latch the same
// bits in every device as that SVF, and the SVF written back from the XSVF the same again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReplayFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace replay;

using XsvfReplayTest = ReplayTest;

// Each update as "ir 5 255 1023" or "dr" and every device's bytes: what the chain latched.
std::vector<std::string> latched(const std::vector<RegisterUpdate>& updates) {
    std::vector<std::string> shown;
    for (const RegisterUpdate& update : updates) {
        std::string text = update.ir ? "ir" : "dr";
        for (const uint64_t instruction : update.instructions) {
            text += " " + std::to_string(instruction);
        }
        for (const std::vector<uint8_t>& data : update.data) {
            text += " |";
            for (const uint8_t byte : data) {
                text += " " + std::to_string(byte);
            }
        }
        shown.push_back(text);
    }
    return shown;
}

TEST_F(XsvfReplayTest, XsvfAndTheSvfBackLatchWhatTheSvfLatched) {
    struct Example {
        const char* name;
        std::vector<DeviceSetup> chain;
    };
    const std::vector<Example> examples{
        {"worked-example",
         {{6, 0x1A2B3C4D, {{0x2a, 16}}},
          {8, 0x0F0E0D0B, {{0x05, 32}}},
          {10, 0x12345679, {{0x3c5, 40}}}}},
        {"bitstream",
         {{6, 0x1A2B3C4D, {}}, {8, 0x0F0E0D0B, {}}, {10, 0x12345679, {{0x3c5, 2400}}}}},
        {"chain-file",
         {{4, 0x1A2B3C4D, {{0xe, 16}}}, {5, 0x0F0E0D0B, {}}, {7, 0x12345679, {{0x2a, 64}}}}},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.name);
        const fs::path svf = writeExample(example.name);
        kelsim::SimulatedChain fromSvf = makeChain(example.chain);
        const std::vector<std::string> expected = latched(replay(fromSvf, svf).updates);
        ASSERT_FALSE(expected.empty());

        const fs::path xsvf = convert(svf, std::string(example.name) + ".xsvf");
        kelsim::SimulatedChain fromXsvf = makeChain(example.chain);
        ReplayOptions options;
        options.xsvf = true;
        EXPECT_EQ(latched(replay(fromXsvf, xsvf, options).updates), expected);

        const fs::path back = convert(xsvf, std::string(example.name) + ".back.svf");
        kelsim::SimulatedChain fromBack = makeChain(example.chain);
        EXPECT_EQ(latched(replay(fromBack, back).updates), expected);
    }
}

}  // namespace
