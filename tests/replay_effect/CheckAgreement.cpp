#include "CheckAgreement.h"

#include <algorithm>

#include "report/ValueText.h"

namespace replay {
namespace {

using kelsvf::check::DeviceUpdate;

// One device's latched register, as both sides report it.
struct Latched {
    bool ir = false;
    uint32_t device = 0;
    uint64_t bitCount = 0;
    std::vector<uint8_t> value;

    bool operator==(const Latched&) const = default;
};

std::string show(const Latched& latched) {
    return std::string("device ") + std::to_string(latched.device) +
           (latched.ir ? " ir " : " dr ") +
           kelsvf::check::valueText(latched.value, latched.bitCount) + " (" +
           std::to_string(latched.bitCount) + " bits)";
}

class Collector : public kelsvf::check::PlaySink {
  public:
    void deviceUpdate(const DeviceUpdate& update) override {
        std::vector<uint8_t> buffer;
        const std::span<const uint8_t> bytes = update.value.bytes(buffer);
        latched.push_back(
            Latched{update.ir, update.device, update.bitCount, {bytes.begin(), bytes.end()}});
    }
    // A replay whose player found no TDO mismatch: check must not find one either.
    void tdoCheck(const kelsvf::check::TdoCheck& check) override {
        if (!check.passed) {
            failedChecks.push_back(check.line);
        }
    }
    std::vector<Latched> latched;
    std::vector<uint64_t> failedChecks;
};

std::vector<uint8_t> instructionBytes(uint64_t instruction, uint32_t irLength) {
    std::vector<uint8_t> bytes((irLength + 7) / 8);
    for (size_t k = 0; k < bytes.size(); ++k) {
        bytes[k] = static_cast<uint8_t>(instruction >> (8 * k));
    }
    return bytes;
}

// The replay's updates as check reports them: devices in BYPASS latch nothing at Update-DR.
std::vector<Latched> replayedLatches(const std::vector<DeviceSetup>& setups,
                                     const std::vector<RegisterUpdate>& replayed) {
    std::vector<Latched> latched;
    for (const RegisterUpdate& update : replayed) {
        for (uint32_t d = 0; d < setups.size(); ++d) {
            const uint32_t irLength = setups[d].irLength;
            const uint64_t instruction = update.instructions[d];
            const uint64_t bypass = irLength >= 64 ? ~uint64_t{0} : (uint64_t{1} << irLength) - 1;
            if (update.ir) {
                latched.push_back({true, d, irLength, instructionBytes(instruction, irLength)});
            } else if (instruction != bypass) {
                const std::vector<uint8_t>& data = update.data[d];
                // The replay's chain knows each register's length; its bytes hold the bits.
                uint32_t bits = 0;
                for (const auto& [code, length] : setups[d].dataRegisters) {
                    bits = code == instruction ? length : bits;
                }
                latched.push_back({false, d, bits != 0 ? bits : 32, data});
            }
        }
    }
    return latched;
}

}  // namespace

kelsvf::check::ChainDescription chainDescriptionOf(const std::vector<DeviceSetup>& setups) {
    kelsvf::check::ChainDescription chain;
    for (const DeviceSetup& setup : setups) {
        chain.devices.push_back({setup.irLength, setup.idcode, {}});
        // The simulated device's IDCODE instruction, as a user names it with its opcode.
        if (setup.idcode != 0 && setup.irLength > 1) {
            chain.devices.back().instructions.push_back({1, "IDCODE", 32, true});
        }
    }
    return chain;
}

std::vector<std::string> checkDisagreements(const std::vector<DeviceSetup>& setups,
                                            const std::filesystem::path& svf,
                                            const std::vector<RegisterUpdate>& replayed) {
    std::string why;
    auto source = kelsvfreader::openFileSource(svf.string(), why);
    if (source == nullptr) {
        return {why};
    }
    kelsvfreader::SvfReader reader(std::move(source));
    Collector checked;
    kelsvf::check::ChainPlayer player(chainDescriptionOf(setups), checked);
    player.playAll(reader);

    const std::vector<Latched> expected = replayedLatches(setups, replayed);
    std::vector<std::string> found;
    const size_t count = std::max(expected.size(), checked.latched.size());
    for (size_t i = 0; i < count; ++i) {
        const bool inReplay = i < expected.size();
        const bool inCheck = i < checked.latched.size();
        if (!inReplay || !inCheck || !(expected[i] == checked.latched[i])) {
            found.push_back("latch " + std::to_string(i) + ": the replay saw " +
                            (inReplay ? show(expected[i]) : "nothing") + ", check reports " +
                            (inCheck ? show(checked.latched[i]) : "nothing"));
        }
    }
    for (const uint64_t line : checked.failedChecks) {
        found.push_back("line " + std::to_string(line) +
                        ": check finds the TDO differing, the replay found it as expected");
    }
    return found;
}

}  // namespace replay
