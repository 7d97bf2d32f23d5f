// The framework's padded DR scan on the simulated chain: shiftDeviceDR on one device of 255, and
// beside it the simulation's own cost, measured by shifting a buffer of the same length through
// the chain-level shift alone. The difference is what the padding costs.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "LargeScan.h"
#include "kelsim/SimulatedChainTarget.h"

namespace kelbench {
namespace {

using KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
using kelsim::SimulatedDevice;

constexpr uint32_t kDeviceCount = 255;
constexpr uint32_t kIRLength = 4;
constexpr uint64_t kLongRegister = 0x2;  // the instruction that selects the long register
// Not a multiple of 8 devices from TDO: the device's bits start in the middle of a byte.
constexpr uint32_t kAddressed = 100;

// A 255-device chain whose addressed device has a data register of `bits` bits, selected, every
// other device in BYPASS.
std::unique_ptr<kelsim::SimulatedChainTarget> chainWithLongRegister(uint32_t bits) {
    std::vector<SimulatedDevice> devices(kDeviceCount, SimulatedDevice(kIRLength));
    devices[kAddressed].addDataRegister(kLongRegister, bits);
    auto target = std::make_unique<kelsim::SimulatedChainTarget>(std::move(devices));
    bool ok = kelSucceeded(target->setDeviceCount(kDeviceCount));
    for (uint32_t device = 0; ok && device < kDeviceCount; ++device) {
        ok = kelSucceeded(target->setIRLength(device, kIRLength));
    }
    const auto instruction = static_cast<uint8_t>(kLongRegister);
    uint8_t captured = 0;
    ok = ok &&
         kelSucceeded(target->shiftDeviceIR(kAddressed, &instruction, &captured, nullptr, nullptr,
                                            kIRLength, KELJTAG_RUN_TEST_IDLE,
                                            KelPluginInterface::CallContext{})) &&
         target->chain().device(kAddressed).instruction() == kLongRegister;
    return ok ? std::move(target) : nullptr;
}

void BM_ShiftDeviceDR_SimChain(benchmark::State& state) {
    const uint32_t bits = bitsOf(state.range(0));
    const auto target = chainWithLongRegister(bits);
    if (!target) {
        state.SkipWithError("cannot set up the simulated chain");
        return;
    }
    std::vector<uint8_t> tdo(bits / 8);
    for (auto _ : state) {
        if (kelFailed(target->shiftDeviceDR(kAddressed, scanData(), tdo.data(), nullptr, nullptr,
                                            bits, KELJTAG_RUN_TEST_IDLE,
                                            KelPluginInterface::CallContext{}))) {
            state.SkipWithError("shiftDeviceDR failed");
            break;
        }
    }
}

// The same whole-chain length, one buffer as both TDI and TDO, as the padded scan passes it.
void BM_ShiftChainDR_SimChain(benchmark::State& state) {
    const uint32_t bits = bitsOf(state.range(0));
    const auto target = chainWithLongRegister(bits);
    if (!target) {
        state.SkipWithError("cannot set up the simulated chain");
        return;
    }
    const uint32_t chainBits = bits + kDeviceCount - 1;
    std::vector<uint8_t> buffer(scanData(), scanData() + bits / 8);
    buffer.resize(chainBits / 8 + 1, 0);
    for (auto _ : state) {
        if (kelFailed(target->shiftChainDR(buffer.data(), buffer.data(), nullptr, nullptr,
                                           chainBits, KELJTAG_RUN_TEST_IDLE,
                                           KelPluginInterface::CallContext{}))) {
            state.SkipWithError("shiftChainDR failed");
            break;
        }
    }
}

BENCHMARK(BM_ShiftDeviceDR_SimChain)
    ->ArgName("MiB")
    ->Arg(64)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);
BENCHMARK(BM_ShiftChainDR_SimChain)
    ->ArgName("MiB")
    ->Arg(64)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->DisplayAggregatesOnly(true);

}  // namespace
}  // namespace kelbench
