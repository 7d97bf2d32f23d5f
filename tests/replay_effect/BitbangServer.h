// Serves a simulated JTAG chain to OpenOCD's remote_bitbang adapter and records what the chain
// went through: every register update its devices see, the states its TAP controllers clocked
// through, the waits the player asked for and how long the file took to play. One client, on
// 127.0.0.1 only, for a bounded time.
#ifndef KEL_REPLAY_EFFECT_BITBANG_SERVER_H
#define KEL_REPLAY_EFFECT_BITBANG_SERVER_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "kelsim/SimulatedChain.h"

namespace replay {

// What the devices latched on one Update-IR or Update-DR (all devices update together).
struct RegisterUpdate {
    bool ir = false;
    std::vector<uint64_t> instructions;      // per device: the instruction in force afterwards
    std::vector<std::vector<uint8_t>> data;  // DR updates: per device, what its selected
                                             // register latched (bit-buffer convention)
};

// A stretch of clocks spent in one TAP state without leaving it (the last of them may leave).
struct StateVisit {
    KelPluginInterface::TapState state;
    uint64_t clocks;
    bool operator==(const StateVisit&) const = default;
};

// A wait the player sent over the protocol, in the TAP state the chain was in. Wait commands
// that follow each other with no clock between them count as one wait.
struct PlayerWait {
    KelPluginInterface::TapState state;
    uint64_t microseconds;
    bool operator==(const PlayerWait&) const = default;
};

class BitbangServer {
  public:
    // Listens on an ephemeral port of 127.0.0.1 at once; serves from start().
    explicit BitbangServer(kelsim::SimulatedChain& chain);
    ~BitbangServer();

    BitbangServer(const BitbangServer&) = delete;
    BitbangServer& operator=(const BitbangServer&) = delete;

    uint16_t port() const { return port_; }

    // Serves one client on a thread of its own until it quits ('Q'), closes the connection, or
    // `limit` has passed.
    void start(std::chrono::milliseconds limit);
    // Waits for the serving thread. True when the client ended the session itself.
    bool finish();

    // Since the last TRST pulse (the mark where the SVF file's own statements begin): the
    // register updates, the TAP states in the order the clocks went through them, and the waits
    // the player sent. The chain's own clock counts also restart at the mark.
    const std::vector<RegisterUpdate>& updates() const { return updates_; }
    const std::vector<StateVisit>& visits() const { return visits_; }
    const std::vector<PlayerWait>& waits() const { return waits_; }
    // From the last TRST pulse to the end of the session: a lower bound of every wait the
    // player made locally in that time.
    std::chrono::microseconds timeAfterMark() const {
        return std::chrono::duration_cast<std::chrono::microseconds>(end_ - mark_);
    }
    int trstPulses() const { return trstPulses_; }
    // Why serving stopped early or what the client sent that made no sense; empty when fine.
    const std::string& problem() const { return problem_; }

  private:
    void serve(std::chrono::steady_clock::time_point deadline);
    bool serveClient(int client, std::chrono::steady_clock::time_point deadline);
    // Handles one command character; appends any reply.
    void command(char c, std::string& reply);
    void recordUpdate();
    void recordClock();
    void recordWait(uint64_t microseconds);

    kelsim::SimulatedChain& chain_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    bool clientQuit_ = false;
    bool tck_ = false;
    bool trst_ = false;
    int trstPulses_ = 0;
    std::vector<RegisterUpdate> updates_;
    std::vector<StateVisit> visits_;
    std::vector<PlayerWait> waits_;
    bool waitOpen_ = false;  // the last command was a wait: the next one extends it
    std::chrono::steady_clock::time_point mark_{};
    std::chrono::steady_clock::time_point end_{};
    std::string problem_;
};

}  // namespace replay

#endif  // KEL_REPLAY_EFFECT_BITBANG_SERVER_H
