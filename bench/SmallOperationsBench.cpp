// Millions of small operations, as a host issues when it programs memory word by word: 32-bit
// writeDeviceDR to one device, alternating between two devices (all four header and trailer
// statements rewritten every time), and navigateTAP. The target writes to /dev/null, so only the
// plug-in's own cost is measured. Run with all five callbacks as no-ops and with none.
#include <benchmark/benchmark.h>

#include "PluginSession.h"

namespace kelbench {
namespace {

using KelPluginInterface::KELJTAG_RUN_TEST_IDLE;

constexpr uint8_t kWord[4] = {0x78, 0x56, 0x34, 0x12};

void BM_WriteDR32_OneDevice(benchmark::State& state, Callbacks callbacks) {
    registerCallbacks(callbacks);
    PluginSession session("/dev/null", 2);
    KelPlugin& target = session.target();
    bool ok = session.ready();
    for (auto _ : state) {
        ok &= kelSucceeded(
            target.writeDeviceDR(0, kWord, nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext));
    }
    if (!ok) {
        state.SkipWithError("writeDeviceDR failed");
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_WriteDR32_AlternatingDevices(benchmark::State& state, Callbacks callbacks) {
    registerCallbacks(callbacks);
    PluginSession session("/dev/null", 2);
    KelPlugin& target = session.target();
    bool ok = session.ready();
    uint32_t device = 0;
    for (auto _ : state) {
        ok &= kelSucceeded(
            target.writeDeviceDR(device, kWord, nullptr, 32, KELJTAG_RUN_TEST_IDLE, kNoContext));
        device ^= 1;
    }
    if (!ok) {
        state.SkipWithError("writeDeviceDR failed");
    }
    state.SetItemsProcessed(state.iterations());
}

// "STATE IDLE;" for every call.
void BM_NavigateTAP(benchmark::State& state, Callbacks callbacks) {
    registerCallbacks(callbacks);
    PluginSession session("/dev/null", 2);
    KelPlugin& target = session.target();
    bool ok = session.ready();
    for (auto _ : state) {
        ok &= kelSucceeded(target.navigateTAP(KELJTAG_RUN_TEST_IDLE, 0));
    }
    if (!ok) {
        state.SkipWithError("navigateTAP failed");
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_WriteDR32_OneDevice, noop_callbacks, Callbacks::NoOp);
BENCHMARK_CAPTURE(BM_WriteDR32_OneDevice, no_callbacks, Callbacks::None);
BENCHMARK_CAPTURE(BM_WriteDR32_AlternatingDevices, noop_callbacks, Callbacks::NoOp);
BENCHMARK_CAPTURE(BM_WriteDR32_AlternatingDevices, no_callbacks, Callbacks::None);
BENCHMARK_CAPTURE(BM_NavigateTAP, noop_callbacks, Callbacks::NoOp);
BENCHMARK_CAPTURE(BM_NavigateTAP, no_callbacks, Callbacks::None);

}  // namespace
}  // namespace kelbench
