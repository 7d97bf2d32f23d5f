// How one long run of clocks or one long wait is cut into RUNTEST statements that SVF players
// read back exactly.
#ifndef KEL_SVF_RUN_CHUNKS_H
#define KEL_SVF_RUN_CHUNKS_H

#include <algorithm>
#include <cstdint>

namespace KelPluginInterface::svf {

// Players read a clock count as a signed 32-bit number.
constexpr uint32_t kMaxClocksPerRun = 2147483647u;

// The longest time one RUNTEST carries; the next shorter times that both players read exactly
// are close below it.
constexpr uint32_t kMaxMicrosecondsPerRun = 2000000000u;

// True when both common SVF players read "<us>E-06 SEC" back as exactly `us` microseconds. One
// reads the text with integer arithmetic, exact below 2^31. The other converts the text to a
// double (correctly rounded, as this division is), narrows it to float and multiplies by 10^6
// in float, which is not exact for every value (247 comes back as 246).
constexpr bool bothPlayersReadExactly(uint32_t us) {
    if (us > 2147483647u) {
        return false;
    }
    const float seconds = static_cast<float>(static_cast<double>(us) / 1e6);
    return static_cast<uint32_t>(1000000.0f * seconds) == us;
}

// The first piece of a wait of `remaining` (at least 1) microseconds: the longest one, up to
// kMaxMicrosecondsPerRun, that both players read exactly. 1 always is, so the search ends.
constexpr uint32_t nextTimeChunk(uint32_t remaining) {
    uint32_t chunk = std::min(remaining, kMaxMicrosecondsPerRun);
    while (!bothPlayersReadExactly(chunk)) {
        --chunk;
    }
    return chunk;
}

static_assert(bothPlayersReadExactly(1) && bothPlayersReadExactly(1500) &&
              bothPlayersReadExactly(999999));
static_assert(!bothPlayersReadExactly(247));

}  // namespace KelPluginInterface::svf

#endif  // KEL_SVF_RUN_CHUNKS_H
