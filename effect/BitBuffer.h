// Bit buffers of any length (bit i in bit i % 8 of byte i / 8), with 64-bit offsets: the
// player's registers and scans, which may pass 2^32 bits.
#ifndef KELSVF_CHECK_BIT_BUFFER_H
#define KELSVF_CHECK_BIT_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "kelsvfreader/Bits.h"

namespace kelsvf::check {

// A value's bytes: in place when in memory, else read into `scratch`. Throws std::bad_alloc when
// they cannot be had (no memory, a spill file that cannot be read).
inline const uint8_t* wholeBytes(const kelsvfreader::Bits& bits, std::vector<uint8_t>& scratch) {
    const uint8_t* const bytes = bits.wholeBytes(scratch);
    if (bytes == nullptr) {
        throw std::bad_alloc();
    }
    return bytes;
}

// (bits + 7) / 8.
inline size_t bytesFor(uint64_t bits) {
    return static_cast<size_t>((bits + 7) / 8);
}

inline bool bitAt(const uint8_t* bits, uint64_t index) {
    return ((bits[index / 8] >> (index % 8)) & 1u) != 0;
}

inline void putBit(uint8_t* bits, uint64_t index, bool value) {
    const auto bit = static_cast<uint8_t>(1u << (index % 8));
    bits[index / 8] = static_cast<uint8_t>(value ? bits[index / 8] | bit : bits[index / 8] & ~bit);
}

// Copies `count` bits; the buffers must not overlap.
void copyBits(uint8_t* dst, uint64_t dstStart, const uint8_t* src, uint64_t srcStart,
              uint64_t count);
// Sets `count` bits from `from` on to `value`.
void fillBits(uint8_t* bits, uint64_t from, uint64_t count, bool value);
// Clears the bits of the last byte past `bitCount`.
void clearTail(std::vector<uint8_t>& bits, uint64_t bitCount);

// A fixed-length shift path of `length` bits (bit 0 nearest TDO), each bit with whether its
// value is known: the chain's instruction registers, or data registers of known lengths.
class ShiftWindow {
  public:
    // `length` unknown zero bits.
    void reset(uint64_t length);
    uint64_t length() const { return length_; }
    uint8_t* bits() { return bits_.data(); }
    uint8_t* known() { return known_.data(); }
    const uint8_t* bits() const { return bits_.data(); }

    // Shifts `count` bits of `src` (from bit `srcStart`) in at the TDI end. When `tdo` is given,
    // the bits that leave at TDO go there from bit `tdoStart` on, and whether each is known into
    // `tdoKnown`. Bits shifted in are known.
    void shift(const uint8_t* src, uint64_t srcStart, uint64_t count, uint8_t* tdo,
               uint8_t* tdoKnown, uint64_t tdoStart);

  private:
    uint64_t length_ = 0;
    std::vector<uint8_t> bits_;
    std::vector<uint8_t> known_;
    std::vector<uint8_t> scratch_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_BIT_BUFFER_H
