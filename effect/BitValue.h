// The values the player's events carry, and the block-wise reading of long ones: a scan of any
// length goes through the chain, the comparison and the reports a block at a time, so no buffer
// of the scan's size is ever made.
#ifndef KELSVF_CHECK_BIT_VALUE_H
#define KELSVF_CHECK_BIT_VALUE_H

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "kelsvfreader/Bits.h"

namespace kelsvf::check {

using kelsvfreader::BitRope;
using kelsvfreader::Bits;

// The bits handled at once: a multiple of 64, so that blocks start on whole words and digits.
constexpr uint64_t kBlockBits = uint64_t{64} * 1024 * 8;

// An event's value in the bit-buffer convention: whole bytes in memory (a short value, the fast
// path), or a rope of slices of the file's scans (a long one, never copied). Valid during the
// sink's call only; keep() gives a rope that stays.
class BitValue {
  public:
    BitValue() = default;  // none: a mask that compares every bit
    // (bitCount + 7) / 8 bytes, the bits past bitCount zero.
    BitValue(std::span<const uint8_t> bytes, uint64_t bitCount)
        : bytes_(bytes.data()), bitCount_(bitCount), given_(true) {}
    explicit BitValue(const BitRope& rope) : rope_(&rope), bitCount_(rope.size()), given_(true) {}

    bool empty() const { return !given_; }
    uint64_t bitCount() const { return bitCount_; }
    // Known to be all zeros without reading (a long value of a file's "TDI (0)").
    bool allZeros() const { return rope_ != nullptr && rope_->allZeros(); }
    // The whole value's bytes when they lie in memory; null otherwise (then read()).
    const uint8_t* memory() const;
    // `count` bits from `first` into `out` from its bit 0, the last byte's bits past them clear.
    // False when a spilled value cannot be read back.
    bool read(uint64_t first, uint64_t count, uint8_t* out) const;
    // The bytes of a value of at most kBlockBits bits: its memory, or read into `buffer`; empty
    // on a read failure.
    std::span<const uint8_t> bytes(std::vector<uint8_t>& buffer) const;
    // A rope of the same bits that outlives the call, sharing the scans' stores.
    BitRope keep() const;

  private:
    const uint8_t* bytes_ = nullptr;
    const BitRope* rope_ = nullptr;
    uint64_t bitCount_ = 0;
    bool given_ = false;
};

// Reads bits [first, first + count) of some value into `out`, as BitValue::read does.
using ReadBits = std::function<bool(uint64_t first, uint64_t count, uint8_t* out)>;
inline ReadBits readerOf(const BitValue& value) {
    return [&value](uint64_t first, uint64_t count, uint8_t* out) {
        return value.read(first, count, out);
    };
}

// Appends to a rope; throws std::bad_alloc when there is no memory for the piece.
void append(BitRope& to, const Bits& piece);
void append(BitRope& to, const BitRope& from);

// A scan's three parts end to end (header, statement, trailer; empty ones allowed), read a
// block at a time.
class ScanParts {
  public:
    // The parts, which must outlive the use of this (the statement being played); a null part
    // is that many zeros.
    void set(const Bits* header, const Bits* body, const Bits* trailer,
             const std::array<uint64_t, 3>& sizes);
    uint64_t size() const { return starts_[3]; }
    const Bits& part(size_t i) const { return *parts_[i]; }
    bool allOnes() const;
    // The bytes of [first, first + count): the one part's memory when it holds them at a byte
    // boundary, else read into `buffer`. Throws when a spilled value cannot be read back.
    const uint8_t* block(uint64_t first, uint64_t count, std::vector<uint8_t>& buffer) const;
    // Appends the slices of [first, first + count) to `rope`.
    void appendTo(BitRope& rope, uint64_t first, uint64_t count) const;

  private:
    std::array<const Bits*, 3> parts_{};
    std::array<Bits, 3> zeros_;
    std::array<uint64_t, 4> starts_{};
};

// Throws when a read failed: a spill file that cannot be read back stops the play.
void requireRead(bool read);

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_BIT_VALUE_H
