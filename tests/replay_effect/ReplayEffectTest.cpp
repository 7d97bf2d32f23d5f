// Replay with effect: OpenOCD plays the SVF files kelsvf writes into a simulated chain, served
// through its remote_bitbang adapter, and each device must have received exactly the
// instructions and data the script wrote to it, every other device sitting in BYPASS.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BitbangServer.h"
#include "kelsim/SimulatedChain.h"

namespace {

namespace fs = std::filesystem;
using replay::BitbangServer;
using replay::RegisterUpdate;

const fs::path kKelsvf = KELSVF_PATH;
const fs::path kExamples = KELSVF_EXAMPLES_DIR;

struct DeviceSetup {
    uint32_t irLength;
    uint32_t idcode;
    std::vector<std::pair<uint64_t, uint32_t>> dataRegisters;  // instruction, length in bits
};

// One write of the script: the instruction or the data that `device` must latch.
struct Write {
    bool ir;
    uint32_t device;
    std::vector<uint8_t> bits;  // bit-buffer convention
};

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Hex digits as the scripts write them, most significant first, into a bit buffer.
std::vector<uint8_t> hexBits(const std::string& hex, uint32_t bitCount) {
    std::vector<uint8_t> bytes((bitCount + 7) / 8, 0);
    for (size_t n = 0; n < hex.size(); ++n) {
        const char c = hex[hex.size() - 1 - n];
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        bytes[n / 2] |= static_cast<uint8_t>(digit << (4 * (n % 2)));
    }
    return bytes;
}

Write ir(uint32_t device, const std::string& hex, uint32_t bits) {
    return {true, device, hexBits(hex, bits)};
}

Write dr(uint32_t device, const std::string& hex, uint32_t bits) {
    return {false, device, hexBits(hex, bits)};
}

uint64_t valueOf(const std::vector<uint8_t>& bits) {
    uint64_t value = 0;
    for (size_t i = std::min<size_t>(bits.size(), 8); i-- > 0;) {
        value = (value << 8) | bits[i];
    }
    return value;
}

kelsim::SimulatedChain makeChain(const std::vector<DeviceSetup>& setups) {
    std::vector<kelsim::SimulatedDevice> devices;
    for (const DeviceSetup& setup : setups) {
        kelsim::SimulatedDevice device(setup.irLength, setup.idcode);
        for (const auto& [instruction, length] : setup.dataRegisters) {
            device.addDataRegister(instruction, length);
        }
        devices.push_back(std::move(device));
    }
    return kelsim::SimulatedChain(std::move(devices));
}

// Compares what the devices latched with what the script wrote; empty when they agree.
std::vector<std::string> mismatches(kelsim::SimulatedChain& chain,
                                    const std::vector<RegisterUpdate>& updates,
                                    const std::vector<Write>& writes) {
    std::vector<std::string> found;
    if (updates.size() != writes.size()) {
        found.push_back("expected " + std::to_string(writes.size()) + " register updates, saw " +
                        std::to_string(updates.size()));
        return found;
    }
    for (size_t i = 0; i < writes.size(); ++i) {
        const Write& write = writes[i];
        const RegisterUpdate& update = updates[i];
        const std::string where = "update " + std::to_string(i) + ": ";
        if (update.ir != write.ir) {
            found.push_back(where + (write.ir ? "expected an IR update" : "expected a DR update"));
            continue;
        }
        for (uint32_t d = 0; d < chain.deviceCount(); ++d) {
            const uint64_t bypass = chain.device(d).bypassInstruction();
            const uint64_t instruction = update.instructions[d];
            if (write.ir && d == write.device) {
                if (instruction != valueOf(write.bits)) {
                    found.push_back(where + "device " + std::to_string(d) +
                                    " latched instruction " + std::to_string(instruction));
                }
            } else if (d != write.device && instruction != bypass) {
                found.push_back(where + "device " + std::to_string(d) + " is not in BYPASS");
            }
        }
        if (!write.ir && update.data[write.device] != write.bits) {
            found.push_back(where + "device " + std::to_string(write.device) +
                            " latched other data in its data register");
        }
    }
    return found;
}

bool openOcdInstalled() {
    return std::system("command -v openocd > /dev/null 2>&1") == 0;
}

class ReplayEffectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!openOcdInstalled()) {
            GTEST_SKIP() << "openocd is not installed";
        }
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() /
                  ("kel-replay-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        if (!folder_.empty()) {
            fs::remove_all(folder_);
        }
    }

    // Runs an example script through kelsvf in the test's folder; returns the SVF's path.
    fs::path writeExample(const std::string& name) {
        const std::string command = "cd '" + folder_.string() + "' && '" + kKelsvf.string() +
                                    "' run -v 1 '" + (kExamples / (name + ".kel")).string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return folder_ / (name + ".svf");
    }

    // Plays `svf` with OpenOCD into `chain` and returns the register updates the devices saw
    // from the file's own start on. Fails the test when OpenOCD or the server reports a problem.
    std::vector<RegisterUpdate> replay(kelsim::SimulatedChain& chain, const fs::path& svf) {
        BitbangServer server(chain);
        EXPECT_NE(server.port(), 0) << server.problem();
        server.start(std::chrono::seconds(120));

        std::ofstream config(folder_ / "openocd.cfg");
        config << "adapter driver remote_bitbang\n"
               << "remote_bitbang host 127.0.0.1\n"
               << "remote_bitbang port " << server.port() << "\n"
               << "transport select jtag\n"
               << "adapter speed 1000\n"
               << "reset_config trst_only\n";
        // The first tap declared is the one nearest TDO: the highest device index.
        for (size_t d = chain.deviceCount(); d-- > 0;) {
            config << "jtag newtap dev" << d << " tap -irlen " << chain.device(d).irLength()
                   << "\n";
        }
        config.close();

        // init scans the chain; the TRST pulse after it marks where the file's scans begin.
        // Commands given with -c print their results, so svf reports how the file went.
        const fs::path log = folder_ / "openocd.log";
        const std::string command =
            "timeout 120 openocd -f '" + (folder_ / "openocd.cfg").string() +
            "' -c init -c 'adapter assert trst' -c 'adapter deassert trst' -c 'svf -quiet " +
            svf.string() + "' -c shutdown > '" + log.string() + "' 2>&1";
        const int status = std::system(command.c_str());
        // OpenOCD may report success before the server has read every character.
        const bool clientQuit = server.finish();
        const std::string output = readFile(log);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
        EXPECT_NE(output.find("svf file programmed successfully"), std::string::npos) << output;
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_FALSE(line.starts_with("Error")) << line;
        }
        EXPECT_TRUE(clientQuit) << server.problem();
        EXPECT_EQ(server.problem(), "");
        EXPECT_EQ(server.trstPulses(), 1);
        return server.updates();
    }

    fs::path folder_;
};

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
    const auto updates = replay(chain, writeExample("worked-example"));
    EXPECT_EQ(mismatches(chain, updates, kWorkedWrites), std::vector<std::string>{});
}

TEST_F(ReplayEffectTest, ABitstreamOfThousandsOfBitsLandsWholeInItsDataRegister) {
    const std::string bitstream = readFile(kExamples / "bitstream.bin");
    const auto bits = static_cast<uint32_t>(bitstream.size() * 8);
    ASSERT_GE(bits, 2000u);
    kelsim::SimulatedChain chain =
        makeChain({{6, 0x1A2B3C4D, {}}, {8, 0x0F0E0D0B, {}}, {10, 0x12345679, {{0x3c5, bits}}}});
    const auto updates = replay(chain, writeExample("bitstream"));
    const Write data{false, 2, std::vector<uint8_t>(bitstream.begin(), bitstream.end())};
    EXPECT_EQ(mismatches(chain, updates, {ir(2, "3c5", 10), data}), std::vector<std::string>{});
}

TEST_F(ReplayEffectTest, ASingleDeviceAndAChainFromAChainFile) {
    kelsim::SimulatedChain single = makeChain({{6, 0x1A2B3C4D, {{0x09, 200}}}});
    auto updates = replay(single, writeExample("single-device"));
    EXPECT_EQ(mismatches(single, updates,
                         {ir(0, "09", 6),
                          dr(0, "0123456789abcdef0123456789abcdef0123456789abcdef01", 200)}),
              std::vector<std::string>{});

    kelsim::SimulatedChain fromFile = makeChain(
        {{4, 0x1A2B3C4D, {{0xe, 16}}}, {5, 0x0F0E0D0B, {}}, {7, 0x12345679, {{0x2a, 64}}}});
    updates = replay(fromFile, writeExample("chain-file"));
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
        const auto updates = replay(chain, path);
        const std::vector<std::string> found = mismatches(chain, updates, kWorkedWrites);
        ASSERT_FALSE(found.empty()) << to;
        EXPECT_EQ(found.front(), firstMismatch) << to;
    }
}

}  // namespace
