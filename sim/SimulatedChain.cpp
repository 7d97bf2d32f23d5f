#include "kelsim/SimulatedChain.h"

#include <algorithm>
#include <cstring>

#include "kel/KelPlugin.h"

namespace kelsim {

using namespace KelPluginInterface;

namespace {

bool bitAt(const uint8_t* bytes, uint64_t index) {
    return ((static_cast<unsigned>(bytes[index / 8]) >> (index % 8)) & 1u) != 0;
}

void setBit(uint8_t* bytes, uint64_t index, bool value) {
    const auto mask = static_cast<uint8_t>(1u << (index % 8));
    bytes[index / 8] =
        static_cast<uint8_t>(value ? bytes[index / 8] | mask : bytes[index / 8] & ~mask);
}

// The bits that a whole shift moves, as one stream in the order they reach TDO: the shift stages
// from the device nearest TDO to the one nearest TDI, then the TDI bits.
class BitStream {
  public:
    void append(const uint8_t* bits, uint64_t length) {
        if (length != 0) {
            pieces_.push_back({bits, end_, length});
            end_ += length;
        }
    }

    // Copies stream bits [from, from + count) to bit `to` of `dst`.
    void copy(uint8_t* dst, uint64_t to, uint64_t from, uint64_t count) const {
        for (const Piece& piece : pieces_) {
            const uint64_t begin = std::max(from, piece.start);
            const uint64_t end = std::min(from + count, piece.start + piece.length);
            if (begin < end) {
                KelPlugin::copyBits(dst, static_cast<uint32_t>(to + begin - from), piece.bits,
                                    static_cast<uint32_t>(begin - piece.start),
                                    static_cast<uint32_t>(end - begin));
            }
        }
    }

    uint64_t length() const { return end_; }

  private:
    struct Piece {
        const uint8_t* bits;
        uint64_t start;
        uint64_t length;
    };
    std::vector<Piece> pieces_;
    uint64_t end_ = 0;
};

bool rangesOverlap(const uint8_t* a, const uint8_t* b, size_t size) {
    const auto lowA = reinterpret_cast<uintptr_t>(a);
    const auto lowB = reinterpret_cast<uintptr_t>(b);
    return lowA < lowB + size && lowB < lowA + size;
}

}  // namespace

SimulatedChain::SimulatedChain(std::vector<SimulatedDevice> devices)
    : devices_(std::move(devices)) {}

bool SimulatedChain::clock(bool tms, bool tdi) {
    // Every device's output is taken before the edge: each one shifts in what its neighbour
    // toward TDI showed, not what that neighbour shifts in on the same edge.
    bool out = devices_.empty() ? tdi : devices_.back().tdo();
    for (size_t i = devices_.size(); i-- > 0;) {
        const bool in = i == 0 ? tdi : devices_[i - 1].tdo();
        devices_[i].clock(tms, in);
    }
    state_ = nextTapState(state_, tms);
    lastTdi_ = tdi;
    return tdoStuckLow_ ? false : out;
}

bool SimulatedChain::tdo() {
    if (tdoStuckLow_) {
        return false;
    }
    return devices_.empty() ? lastTdi_ : devices_.back().tdo();
}

void SimulatedChain::testLogicReset() {
    for (SimulatedDevice& device : devices_) {
        device.testLogicReset();
    }
    state_ = KELJTAG_TEST_LOGIC_RESET;
}

uint64_t SimulatedChain::clocksIn(TapState state) const {
    return devices_.empty() ? 0 : devices_.front().clocksIn(state);
}

void SimulatedChain::clearClockCounts() {
    for (SimulatedDevice& device : devices_) {
        device.clearClockCounts();
    }
}

void SimulatedChain::runClocks(bool tms, bool tdi, uint64_t count) {
    const bool holdsStill = (state_ == KELJTAG_TEST_LOGIC_RESET && tms) ||
                            (!tms && (state_ == KELJTAG_RUN_TEST_IDLE ||
                                      state_ == KELJTAG_PAUSE_DR || state_ == KELJTAG_PAUSE_IR));
    if (holdsStill) {
        for (SimulatedDevice& device : devices_) {
            device.hold(count);
        }
        return;
    }
    for (uint64_t i = 0; i < count; ++i) {
        clock(tms, tdi);
    }
}

bool SimulatedChain::inShiftState() const {
    return state_ == KELJTAG_SHIFT_DR || state_ == KELJTAG_SHIFT_IR;
}

void SimulatedChain::shift(const uint8_t* tdi, uint8_t* tdo, uint32_t bitCount, bool lastTms) {
    if (bitCount == 0) {
        return;
    }
    if (inShiftState()) {
        shiftWhole(tdi, tdo, bitCount, lastTms);
    } else {
        shiftBitByBit(tdi, tdo, bitCount, lastTms);
    }
}

void SimulatedChain::shiftBitByBit(const uint8_t* tdi, uint8_t* tdo, uint32_t bitCount,
                                   bool lastTms) {
    for (uint32_t i = 0; i < bitCount; ++i) {
        const bool out = clock(i + 1 == bitCount && lastTms, bitAt(tdi, i));
        if (tdo != nullptr) {
            setBit(tdo, i, out);
        }
    }
}

void SimulatedChain::shiftWhole(const uint8_t* tdi, uint8_t* tdo, uint32_t bitCount, bool lastTms) {
    const size_t tdiBytes = (size_t{bitCount} + 7) / 8;
    // The captured bits may overwrite the driven ones in place: drive from a copy then.
    std::vector<uint8_t> tdiCopy;
    if (tdo != nullptr && rangesOverlap(tdi, tdo, tdiBytes)) {
        tdiCopy.assign(tdi, tdi + tdiBytes);
        tdi = tdiCopy.data();
    }

    BitStream stream;
    std::vector<uint64_t> starts(devices_.size());
    for (size_t i = devices_.size(); i-- > 0;) {
        ShiftRegister& stage = devices_[i].activeStage();
        starts[i] = stream.length();
        stream.append(stage.bits().data(), stage.length());
    }
    stream.append(tdi, bitCount);

    // After n clocks each stage holds the stream bits that follow the first n.
    for (size_t i = 0; i < devices_.size(); ++i) {
        ShiftRegister& stage = devices_[i].activeStage();
        stream.copy(stage.next().data(), 0, bitCount + starts[i], stage.length());
    }
    if (tdo != nullptr) {
        if (tdoStuckLow_) {
            std::memset(tdo, 0, bitCount / 8);
            for (uint32_t i = bitCount / 8 * 8; i < bitCount; ++i) {
                setBit(tdo, i, false);
            }
        } else {
            stream.copy(tdo, 0, 0, bitCount);
        }
    }
    for (SimulatedDevice& device : devices_) {
        device.activeStage().commitNext();
        device.finishBulkShift(bitCount, lastTms);
    }
    state_ = nextTapState(state_, lastTms);
}

}  // namespace kelsim
