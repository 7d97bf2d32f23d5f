// What diff keeps of each event of a file until the comparison takes it: the value (bytes of a
// short one, the scans' own slices for a long one), the statements it came from, and the clocks
// and waits the file had spent by then.
#ifndef KELSVF_CHECK_DIFF_EVENTS_H
#define KELSVF_CHECK_DIFF_EVENTS_H

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "BitBuffer.h"
#include "BitValue.h"
#include "PlayEvents.h"

namespace kelsvf::check::diff {

using Clocks = std::array<Count, 16>;

// A value kept past its event: a short one's bytes (the bits past its end clear), a long one a
// rope of the scans' own slices, never copied.
class Kept {
  public:
    void keep(const BitValue& value) {
        bitCount_ = value.bitCount();
        rope_.reset();
        if (bitCount_ > kBlockBits) {
            rope_ = std::make_unique<BitRope>(value.keep());
            return;
        }
        if (const uint8_t* whole = value.memory()) {
            bytes_.assign(whole, whole + bytesFor(bitCount_));
            clearTail(bytes_, bitCount_);
            return;
        }
        bytes_.resize(bytesFor(bitCount_));
        requireRead(value.read(0, bitCount_, bytes_.data()));
    }
    void keepOnes(uint64_t bitCount) {
        bitCount_ = bitCount;
        rope_.reset();
        if (bitCount > kBlockBits) {
            rope_ = std::make_unique<BitRope>();
            kelsvf::check::append(*rope_, Bits::ones(bitCount));
            return;
        }
        bytes_.assign(bytesFor(bitCount), 0xFF);
        clearTail(bytes_, bitCount);
    }
    // `more` after these bits, or zeros when null.
    void append(const Kept* more, uint64_t bitCount) {
        if (!rope_ && (more == nullptr || !more->rope_) && bitCount_ + bitCount <= kBlockBits) {
            bytes_.resize(bytesFor(bitCount_ + bitCount), 0);
            if (more != nullptr) {
                copyBits(bytes_.data(), bitCount_, more->bytes_.data(), 0, bitCount);
            }
            bitCount_ += bitCount;
            return;
        }
        toRope();
        if (more == nullptr) {
            kelsvf::check::append(*rope_, Bits::zeros(bitCount));
        } else if (more->rope_) {
            kelsvf::check::append(*rope_, *more->rope_);
        } else {
            kelsvf::check::append(*rope_, Bits::fromBytes(more->bytes_, bitCount));
        }
        bitCount_ += bitCount;
    }
    bool read(uint64_t first, uint64_t count, uint8_t* out) const {
        return rope_ ? rope_->read(first, count, out)
                     : BitValue(bytes_, bitCount_).read(first, count, out);
    }
    // The bytes of a short value.
    const uint8_t* memory() const { return rope_ ? nullptr : bytes_.data(); }
    uint64_t bitCount() const { return bitCount_; }
    bool isLong() const { return rope_ != nullptr; }
    // A short value of `bitCount` bits from `bytes` (the bits past its end clear).
    void assignShort(const uint8_t* bytes, uint64_t bitCount) {
        rope_.reset();
        bytes_.assign(bytes, bytes + bytesFor(bitCount));
        bitCount_ = bitCount;
    }
    // A long value known to be zeros without reading it.
    bool allZeros() const { return rope_ && rope_->allZeros(); }
    // Empty, keeping the buffer for the next value.
    void clear() {
        bytes_.clear();
        rope_.reset();
        bitCount_ = 0;
    }
    void swap(Kept& other) noexcept {
        bytes_.swap(other.bytes_);
        rope_.swap(other.rope_);
        std::swap(bitCount_, other.bitCount_);
    }
    void releaseIfLarge(size_t most) {
        if (bytes_.capacity() > most) {
            std::vector<uint8_t>().swap(bytes_);
        }
    }

  private:
    void toRope() {
        if (!rope_) {
            rope_ = std::make_unique<BitRope>();
            if (bitCount_ != 0) {
                kelsvf::check::append(*rope_, Bits::fromBytes(std::move(bytes_), bitCount_));
            }
            bytes_ = {};
        }
    }

    std::vector<uint8_t> bytes_;
    std::unique_ptr<BitRope> rope_;  // a long value's; none for a short one
    uint64_t bitCount_ = 0;
};

// The clocks and waits a file had spent when an event came. Kept apart from the event, so that
// an event handed on moves a pointer rather than these 400 bytes.
struct Spent {
    Clocks clocks{};
    Count waits = 0;
    std::array<double, 16> run{};  // RUNTEST time in each run state, in microseconds
};

// One event of a file's effect, with the clocks and waits the file had spent when it came.
struct Effect {
    bool tdo = false;  // a TDO check, else a register update
    uint64_t line = 0;
    uint32_t device = 0;
    bool ir = false;
    uint64_t bitCount = 0;
    Kept value;  // the update's value; a check's expected bits, compared under its mask
    Kept mask;   // a check's mask (every bit compared: all ones)
    // A check's capture, and its first bit in what the registers took since then: the checks
    // of the pieces of one scan, continued through a pause, are one check.
    uint64_t capture = 0;
    uint64_t captureOffset = 0;
    std::vector<ValueSource> sources;  // an update's: the statements its bits came from
    // An update's bits written over several lines, with their line maps kept.
    struct DigitLinesKept {
        ValueDigitLines bits;
        std::shared_ptr<const kelsvfreader::DigitLines> lines;
    };
    std::vector<DigitLinesKept> digitLines;
    std::unique_ptr<Spent> spent = std::make_unique<Spent>();  // null only once moved from
};

// Moves `from` into `to`, whose buffers `from` keeps for a later event unless they are larger
// than `most` bytes.
void moveEffect(Effect& from, Effect& to, size_t most);
// Gives up `effect`'s buffers larger than `most` bytes, and its line maps.
void releaseLarge(Effect& effect, size_t most);
// Moves what `from` says of its place, its capture and the clocks and waits before it into `to`:
// all but its values and sources. `from` keeps `to`'s old counts, to be filled anew.
void movePlaceAndCounts(Effect& from, Effect& to);

}  // namespace kelsvf::check::diff

#endif  // KELSVF_CHECK_DIFF_EVENTS_H
