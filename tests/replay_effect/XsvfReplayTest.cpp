// OpenOCD plays XSVF too: the XSVF kelsvf convert writes from an SVF file must latch the same
// bits in every device as that SVF, and the SVF written back from the XSVF the same again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "CheckAgreement.h"
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

// The portable SVF convert writes from a vendor-style file (times as 1.00E-03, a RUNTEST run
// state without ENDSTATE carried to the next, a count in real form and one of 2^31 and more, no
// last line end): check warns about none of those forms in
// it, and OpenOCD's replay of it latches what check says of the vendor's file.
TEST_F(XsvfReplayTest, PortableSvfOfAVendorFileLatchesWhatCheckSaysOfIt) {
    const std::vector<DeviceSetup> chain{{8, 0x1A2B3C4D, {{0x05, 16}}}, {6, 0x0F0E0D0B, {}}};
    const fs::path vendor = folder_ / "vendor.svf";
    std::ofstream(vendor) << "SIR 14 TDI (017f);\nSDR 17 TDI (02469);\n"
                             "RUNTEST DRPAUSE 10 TCK 1.00E-03 SEC;\nRUNTEST 2.0E+01 TCK;\n"
                             "SDR 17 TDI (1579b);\n"
                             "RUNTEST 5.0E-04 SEC;";  // no line end after the last statement
    const fs::path portable = convert(vendor, "portable.svf");
    kelsim::SimulatedChain played = makeChain(chain);
    const Replay replayed = replay(played, portable);
    EXPECT_EQ(checkDisagreements(chain, vendor, replayed.updates), std::vector<std::string>{});

    // A count OpenOCD would take minutes to clock is checked, not replayed.
    std::ofstream(vendor, std::ios::app) << "\nRUNTEST 3.0E+09 TCK;\n";
    const fs::path withCount = convert(vendor, "count.svf");
    const std::string report = (folder_ / "report.txt").string();
    ASSERT_EQ(std::system(("'" + std::string(KELSVF_PATH) + "' check '" + withCount.string() +
                           "' --irlen 8,6 > '" + report + "'")
                              .c_str()),
              0);
    const std::string text = readFile(report);
    EXPECT_NE(text.find(": 0 errors, 0 warnings"), std::string::npos) << text;
}

}  // namespace
