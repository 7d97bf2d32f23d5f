// What the replay-with-effect tests share: building a simulated chain, playing an SVF file into
// it with OpenOCD over remote_bitbang, and comparing what the devices latched with what was
// written.
#ifndef KEL_REPLAY_EFFECT_REPLAY_FIXTURE_H
#define KEL_REPLAY_EFFECT_REPLAY_FIXTURE_H

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "BitbangServer.h"
#include "kelsim/SimulatedChain.h"

namespace replay {

struct DeviceSetup {
    uint32_t irLength;
    uint32_t idcode;
    std::vector<std::pair<uint64_t, uint32_t>> dataRegisters;  // instruction, length in bits
};

// One write of a session: the instruction or the data that `device` must latch.
struct Write {
    bool ir;
    uint32_t device;
    std::vector<uint8_t> bits;  // bit-buffer convention
};

std::string readFile(const std::filesystem::path& path);

// Hex digits, most significant first, into a bit buffer of `bitCount` bits.
std::vector<uint8_t> hexBits(const std::string& hex, uint32_t bitCount);
Write ir(uint32_t device, const std::string& hex, uint32_t bits);
Write dr(uint32_t device, const std::string& hex, uint32_t bits);

kelsim::SimulatedChain makeChain(const std::vector<DeviceSetup>& setups);

// Compares what the devices latched with what was written; empty when they agree.
std::vector<std::string> mismatches(kelsim::SimulatedChain& chain,
                                    const std::vector<RegisterUpdate>& updates,
                                    const std::vector<Write>& writes);

struct ReplayOptions {
    // Ask OpenOCD to send its waits over the protocol instead of sleeping itself (only where
    // openOcdSendsWaits()).
    bool waitsOverProtocol = false;
    // Run OpenOCD at its most detailed log level, which names every wait it makes.
    bool detailedLog = false;
    // The file is XSVF: OpenOCD's xsvf command plays it.
    bool xsvf = false;
};

// What one replay showed, from the file's own first statement on.
struct Replay {
    std::vector<RegisterUpdate> updates;
    std::vector<StateVisit> visits;
    std::vector<PlayerWait> waits;  // only when sent over the protocol
    std::chrono::microseconds time{0};
    std::string log;  // OpenOCD's output
};

// Readable forms for test failures: "PAUSE_DR x5", "wait 1500 us in PAUSE_DR".
void PrintTo(const StateVisit& visit, std::ostream* out);
void PrintTo(const PlayerWait& wait, std::ostream* out);

// True when the installed OpenOCD can send its waits over remote_bitbang.
bool openOcdSendsWaits();

// The waits, in microseconds, that OpenOCD's detailed log says it made, in order; waits with no
// other adapter activity between them count as one.
std::vector<uint64_t> loggedWaits(const std::string& log);

class ReplayTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs an example script through kelsvf in the test's folder; returns the SVF's path.
    std::filesystem::path writeExample(const std::string& name);
    // kelsvf convert IN -o OUT in the test's folder (OUT's extension names the format); returns
    // OUT's path, or fails the test.
    std::filesystem::path convert(const std::filesystem::path& in, const std::string& out);

    // Plays `svf` with OpenOCD into `chain` and returns what the chain went through. Fails the
    // test when OpenOCD or the server reports a problem.
    Replay replay(kelsim::SimulatedChain& chain, const std::filesystem::path& svf,
                  const ReplayOptions& options = {});

    std::filesystem::path folder_;
};

}  // namespace replay

#endif  // KEL_REPLAY_EFFECT_REPLAY_FIXTURE_H
