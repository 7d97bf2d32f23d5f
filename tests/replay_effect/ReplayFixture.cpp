#include "ReplayFixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace replay {
namespace {

namespace fs = std::filesystem;

const fs::path kKelsvf = KELSVF_PATH;
const fs::path kExamples = KELSVF_EXAMPLES_DIR;

uint64_t valueOf(const std::vector<uint8_t>& bits) {
    uint64_t value = 0;
    for (size_t i = std::min<size_t>(bits.size(), 8); i-- > 0;) {
        value = (value << 8) | bits[i];
    }
    return value;
}

bool openOcdInstalled() {
    return std::system("command -v openocd > /dev/null 2>&1") == 0;
}

}  // namespace

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

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

void PrintTo(const StateVisit& visit, std::ostream* out) {
    *out << KelPluginInterface::TapStateMachine::getStateName(visit.state) << " x" << visit.clocks;
}

void PrintTo(const PlayerWait& wait, std::ostream* out) {
    *out << "wait " << wait.microseconds << " us in "
         << KelPluginInterface::TapStateMachine::getStateName(wait.state);
}

bool openOcdSendsWaits() {
    // Older versions do not know the setting and fail on it.
    static const bool sends =
        std::system(
            "timeout 60 openocd -c 'adapter driver remote_bitbang' "
            "-c 'remote_bitbang use_remote_sleep on' -c shutdown > /dev/null 2>&1") == 0;
    return sends;
}

std::vector<uint64_t> loggedWaits(const std::string& log) {
    std::vector<uint64_t> waits;
    bool extend = false;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("bitbang") == std::string::npos) {
            continue;  // not the adapter's doing
        }
        const size_t at = line.find("(): sleep ");
        if (at == std::string::npos) {
            extend = false;
            continue;
        }
        const uint64_t microseconds = std::strtoull(line.c_str() + at + 10, nullptr, 10);
        if (extend) {
            waits.back() += microseconds;
        } else {
            waits.push_back(microseconds);
        }
        extend = true;
    }
    return waits;
}

void ReplayTest::SetUp() {
    if (!openOcdInstalled()) {
        GTEST_SKIP() << "openocd is not installed";
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              ("kel-replay-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
}

void ReplayTest::TearDown() {
    if (!folder_.empty()) {
        fs::remove_all(folder_);
    }
}

fs::path ReplayTest::writeExample(const std::string& name) {
    const std::string command = "cd '" + folder_.string() + "' && '" + kKelsvf.string() +
                                "' run -v 1 '" + (kExamples / (name + ".kel")).string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder_ / (name + ".svf");
}

fs::path ReplayTest::convert(const fs::path& in, const std::string& out) {
    const std::string command = "cd '" + folder_.string() + "' && '" + kKelsvf.string() +
                                "' convert '" + in.string() + "' -o '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder_ / out;
}

Replay ReplayTest::replay(kelsim::SimulatedChain& chain, const fs::path& svf,
                          const ReplayOptions& options) {
    BitbangServer server(chain);
    EXPECT_NE(server.port(), 0) << server.problem();
    server.start(std::chrono::seconds(120));

    std::ofstream config(folder_ / "openocd.cfg");
    config << "adapter driver remote_bitbang\n"
           << "remote_bitbang host 127.0.0.1\n"
           << "remote_bitbang port " << server.port() << "\n";
    if (options.waitsOverProtocol) {
        config << "remote_bitbang use_remote_sleep on\n";
    }
    config << "transport select jtag\n"
           << "adapter speed 1000\n"
           << "reset_config trst_only\n";
    // The first tap declared is the one nearest TDO: the highest device index.
    for (size_t d = chain.deviceCount(); d-- > 0;) {
        config << "jtag newtap dev" << d << " tap -irlen " << chain.device(d).irLength() << "\n";
    }
    config.close();

    // init scans the chain; the TRST pulse after it marks where the file's statements begin.
    // Commands given with -c print their results, so svf reports how the file went.
    const fs::path log = folder_ / "openocd.log";
    const std::string command =
        "timeout 120 openocd " + std::string(options.detailedLog ? "-d4 " : "") + "-f '" +
        (folder_ / "openocd.cfg").string() +
        "' -c init -c 'adapter assert trst' -c 'adapter deassert trst' -c '" +
        (options.xsvf ? "xsvf plain " + svf.string() + " quiet" : "svf -quiet " + svf.string()) +
        "' -c shutdown > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    // OpenOCD may report success before the server has read every character.
    const bool clientQuit = server.finish();
    Replay result;
    result.log = readFile(log);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << result.log;
    EXPECT_NE(result.log.find(options.xsvf ? "XSVF file programmed successfully"
                                           : "svf file programmed successfully"),
              std::string::npos)
        << result.log;
    std::istringstream lines(result.log);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_FALSE(line.starts_with("Error")) << line;
    }
    EXPECT_TRUE(clientQuit) << server.problem();
    EXPECT_EQ(server.problem(), "");
    EXPECT_EQ(server.trstPulses(), 1);
    result.updates = server.updates();
    result.visits = server.visits();
    result.waits = server.waits();
    result.time = server.timeAfterMark();
    return result;
}

}  // namespace replay
