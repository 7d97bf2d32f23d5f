// Replay with effect: OpenOCD plays the SVF files kelsvf writes into a simulated chain, served
// through its remote_bitbang adapter, and each device must have received exactly the
// instructions and data the script wrote to it, every other device sitting in BYPASS. kelsvf
// check, playing the same files on the same chain as a user describes it, must report exactly
// what the replay did.
#include <gtest/gtest.h>

#include <cstdio>

#include <fstream>
#include <string>
#include <vector>

#include "CheckAgreement.h"
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
    const fs::path svf = writeExample("worked-example");
    const auto updates = replay(chain, svf).updates;
    EXPECT_EQ(mismatches(chain, updates, kWorkedWrites), std::vector<std::string>{});
    EXPECT_EQ(checkDisagreements(kWorkedChain, svf, updates), std::vector<std::string>{});
}

TEST_F(ReplayEffectTest, ABitstreamOfThousandsOfBitsLandsWholeInItsDataRegister) {
    const std::string bitstream = readFile(kExamples / "bitstream.bin");
    const auto bits = static_cast<uint32_t>(bitstream.size() * 8);
    ASSERT_GE(bits, 2000u);
    const std::vector<DeviceSetup> setups{
        {6, 0x1A2B3C4D, {}}, {8, 0x0F0E0D0B, {}}, {10, 0x12345679, {{0x3c5, bits}}}};
    kelsim::SimulatedChain chain = makeChain(setups);
    const fs::path svf = writeExample("bitstream");
    const auto updates = replay(chain, svf).updates;
    const Write data{false, 2, std::vector<uint8_t>(bitstream.begin(), bitstream.end())};
    EXPECT_EQ(mismatches(chain, updates, {ir(2, "3c5", 10), data}), std::vector<std::string>{});
    EXPECT_EQ(checkDisagreements(setups, svf, updates), std::vector<std::string>{});
}

TEST_F(ReplayEffectTest, ASingleDeviceAndAChainFromAChainFile) {
    const std::vector<DeviceSetup> singleSetup{{6, 0x1A2B3C4D, {{0x09, 200}}}};
    kelsim::SimulatedChain single = makeChain(singleSetup);
    fs::path svf = writeExample("single-device");
    auto updates = replay(single, svf).updates;
    EXPECT_EQ(mismatches(single, updates,
                         {ir(0, "09", 6),
                          dr(0, "0123456789abcdef0123456789abcdef0123456789abcdef01", 200)}),
              std::vector<std::string>{});
    EXPECT_EQ(checkDisagreements(singleSetup, svf, updates), std::vector<std::string>{});

    const std::vector<DeviceSetup> fileSetup{
        {4, 0x1A2B3C4D, {{0xe, 16}}}, {5, 0x0F0E0D0B, {}}, {7, 0x12345679, {{0x2a, 64}}}};
    kelsim::SimulatedChain fromFile = makeChain(fileSetup);
    svf = writeExample("chain-file");
    updates = replay(fromFile, svf).updates;
    EXPECT_EQ(mismatches(fromFile, updates,
                         {ir(0, "e", 4), dr(0, "beef", 16), ir(2, "2a", 7),
                          dr(2, "0123456789abcdef", 64)}),
              std::vector<std::string>{});
    EXPECT_EQ(checkDisagreements(fileSetup, svf, updates), std::vector<std::string>{});
}

// Files in the shapes real generators write, each played by OpenOCD into a chain whose
// registers are as long as the file uses them: what the replay latches, bit for bit, is what
// check reports.
TEST_F(ReplayEffectTest, GeneratorStylesLatchWhatCheckReports) {
    std::string longValue;
    for (int line = 0; line < 1000; ++line) {
        longValue += "\n  " + std::string(line % 2 == 0 ? "a5" : "3c");
    }
    // A flash file's body: the same short write and wait again and again, new data now and then
    // and verify reads between (read again, such a line is not parsed again, and the scan is
    // played in one step). Behind a device in BYPASS, nearest TDO, every scan has its bit 0.
    const auto page = [](unsigned bypassBits) {
        const auto scan = [bypassBits](unsigned tdi, const char* check) {
            char text[80];
            std::snprintf(text, sizeof text, "SDR %u TDI (%x)%s;\n", 16 + bypassBits,
                          tdi << bypassBits, check);
            return std::string(text);
        };
        // A verify read gives back what the last write latched.
        std::string text;
        unsigned last = 0;
        for (unsigned word = 0; word < 40; ++word) {
            char verify[48];
            std::snprintf(verify, sizeof verify, " TDO (%x) MASK (%x)", last << bypassBits,
                          0x7fffu << bypassBits);
            const unsigned data = word % 5 == 4 ? 0x1000 + word : 0x7fff;
            text += word % 9 == 8 ? scan(0, verify) : scan(data, "") + "RUNTEST 10 TCK;\n";
            last = word % 9 == 8 ? 0 : data;
        }
        return text;
    };
    const struct {
        const char* name;
        std::vector<DeviceSetup> setups;
        std::string svf;
    } cases[] = {
        {"a bitstream in SDR pieces through Pause-DR",
         {{8, 0x0362d093, {{0x7a, 128}}}},
         "STATE RESET;\nENDDR DRPAUSE;\nSIR 8 TDI (7a);\nSDR 32 TDI (00000001);\n"
         "SDR 32 TDI (00000002);\nSDR 32 TDI (00000003);\nENDDR IDLE;\nSDR 32 TDI (00000004);\n"},
        {"flash programming with RUNTEST DRPAUSE and verify reads, behind BYPASS",
         {{8, 0x0362d093, {{0x3a, 16}, {0x3b, 33}}}, {6, 0x1a2b3c4d, {}}},
         "HIR 6 TDI (3f);\nHDR 1 TDI (0);\nSIR 8 TDI (3a);\nSDR 16 TDI (7fff);\n"
         "RUNTEST 10 TCK;\nSDR 16 TDI (0000) TDO (7fff) MASK (ffff);\nSIR 8 TDI (3b);\n"
         "ENDDR DRPAUSE;\nSDR 16 TDI (5678);\nRUNTEST DRPAUSE 50003 TCK ENDSTATE DRPAUSE;\n"
         "ENDDR IDLE;\nSDR 16 TDI (9abc);\nRUNTEST 10 TCK;\n"},
        {"IDCODE through its instruction, the version masked",
         {{8, 0x1362d093, {}}},
         "SIR 8 TDI (01);\nSDR 32 TDI (00000000) TDO (0362d093) MASK (0fffffff);\n"},
        {"one statement over a thousand lines",
         {{10, 0x0362d093, {{0x3c5, 8000}}}},
         "SIR 10 TDI (3c5);\nSDR 8000 TDI (" + longValue + ");\n"},
        {"a flash page of repeated short writes and verify reads",
         {{10, 0x0362d093, {{0x3a5, 16}}}},
         "STATE RESET;\nENDIR IDLE;\nENDDR IDLE;\nSIR 10 TDI (3a5);\nRUNTEST 50003 TCK;\n" +
             page(0)},
        {"the same page behind a device in BYPASS",
         {{10, 0x0362d093, {{0x3a5, 16}}}, {8, 0x1a2b3c4d, {}}},
         "STATE RESET;\nSIR 18 TDI (3a5ff);\n" + page(1)},
        // (remote_bitbang takes no FREQUENCY: the replay would stop at it.)
        {"time-only RUNTESTs and ENDIR IRPAUSE",
         {{8, 0x0362d093, {{0x3a, 16}}}},
         "ENDIR IRPAUSE;\nSIR 8 TDI (3a);\nRUNTEST 1.0E-03 SEC;\n"
         "SDR 16 TDI (beef);\nRUNTEST IDLE 100 TCK 1.0E-04 SEC ENDSTATE IDLE;\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = folder_ / "generator.svf";
        std::ofstream(path, std::ios::binary) << c.svf;
        kelsim::SimulatedChain chain = makeChain(c.setups);
        const auto updates = replay(chain, path).updates;
        EXPECT_FALSE(updates.empty());
        EXPECT_EQ(checkDisagreements(c.setups, path, updates), std::vector<std::string>{});
    }
}

// The check itself must catch a file that plays without complaint but puts bits in the wrong
// place: a missing DR trailer bit, or a wrong instruction. So must kelsvf check: what it
// reports for the wrong file is not what the good file's replay did.
TEST_F(ReplayEffectTest, ADeliberatelyWrongSvfFailsTheCheck) {
    const fs::path goodPath = writeExample("worked-example");
    const std::string good = readFile(goodPath);
    kelsim::SimulatedChain goodChain = makeChain(kWorkedChain);
    const auto goodUpdates = replay(goodChain, goodPath).updates;
    struct Corruption {
        std::string from;
        std::string to;
        std::string firstMismatch;
        std::string firstCheckDisagreement;
    };
    const std::vector<Corruption> corruptions{
        {"TDR 1 TDI (00);", "TDR 0;", "update 1: device 1 latched other data in its data register",
         // check does not know the register's length: it takes the 31 bits that are left.
         "latch 3: the replay saw device 1 dr 12345678 (32 bits), check reports device 1 dr "
         "12345678 (31 bits)"},
        {"SIR 8 TDI (05);", "SIR 8 TDI (06);", "update 0: device 1 latched instruction 6",
         "latch 1: the replay saw device 1 ir 05 (8 bits), check reports device 1 ir 06 (8 "
         "bits)"},
    };
    for (const auto& [from, to, firstMismatch, firstCheckDisagreement] : corruptions) {
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
        const std::vector<std::string> disagreements =
            checkDisagreements(kWorkedChain, path, goodUpdates);
        ASSERT_FALSE(disagreements.empty()) << to;
        EXPECT_EQ(disagreements.front(), firstCheckDisagreement) << to;
    }
}

}  // namespace
