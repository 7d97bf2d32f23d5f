// The default waits sleep whole milliseconds, rounding a partial millisecond up.
#ifndef KEL_FRAMEWORK_WAIT_TIME_H
#define KEL_FRAMEWORK_WAIT_TIME_H

#include <chrono>
#include <cstdint>
#include <thread>

namespace KelPluginInterface::framework {

// Computed in 64 bits: in 32 bits a wait above 4294966296 us would wrap to a sleep of 0 ms.
constexpr uint64_t wholeMillisecondsFor(uint32_t microseconds) {
    return (uint64_t{microseconds} + 999u) / 1000u;
}

inline void sleepWholeMilliseconds(uint32_t microseconds) {
    using Milliseconds = std::chrono::milliseconds;
    std::this_thread::sleep_for(
        Milliseconds(static_cast<Milliseconds::rep>(wholeMillisecondsFor(microseconds))));
}

}  // namespace KelPluginInterface::framework

#endif  // KEL_FRAMEWORK_WAIT_TIME_H
