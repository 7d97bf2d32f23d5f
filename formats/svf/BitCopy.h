// Bit copies between byte buffers in the bit-buffer convention, for the stores of Bits.
#ifndef KELSVFREADER_BIT_COPY_H
#define KELSVFREADER_BIT_COPY_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kelsvfreader {

// The word copies below read bytes as little-endian words.
static_assert(std::endian::native == std::endian::little);

inline size_t bytesFor(uint64_t bits) {
    return static_cast<size_t>((bits + 7) / 8);
}

// Clears the bits of the last byte past `bitCount`.
inline void clearPast(uint8_t* bytes, uint64_t bitCount) {
    if (const auto spare = static_cast<unsigned>(bitCount % 8); spare != 0) {
        bytes[bitCount / 8] &= static_cast<uint8_t>((1u << spare) - 1);
    }
}

// Bits [first, first + count) of `src` to out, from bit 0; the last byte's bits past `count`
// cleared. `src` must hold bit first + count - 1 and may end there.
inline void extractBits(const uint8_t* src, uint64_t first, uint64_t count, uint8_t* out) {
    if (count == 0) {
        return;
    }
    const uint8_t* from = src + first / 8;
    const auto shift = static_cast<unsigned>(first % 8);
    const size_t size = bytesFor(count);
    if (shift == 0) {
        std::memcpy(out, from, size);
    } else {
        // The last source byte is the one holding bit first + count - 1.
        const size_t last = static_cast<size_t>((first + count - 1) / 8 - first / 8);
        size_t i = 0;
        for (; i + 8 <= last; i += 8) {
            uint64_t low = 0;
            std::memcpy(&low, from + i, 8);
            const uint64_t word = low >> shift | uint64_t{from[i + 8]} << (64 - shift);
            std::memcpy(out + i, &word, 8);
        }
        for (; i < size; ++i) {
            const unsigned low = from[i] >> shift;
            const unsigned high =
                i + 1 <= last ? static_cast<unsigned>(from[i + 1]) << (8 - shift) : 0u;
            out[i] = static_cast<uint8_t>(low | high);
        }
    }
    clearPast(out, count);
}

// Sets or clears bits [at, at + count) of out; its other bits are kept.
inline void fillBits(uint8_t* out, uint64_t at, uint64_t count, bool one) {
    while (count != 0 && at % 8 != 0) {
        const auto bit = static_cast<uint8_t>(1u << (at % 8));
        out[at / 8] = one ? static_cast<uint8_t>(out[at / 8] | bit)
                          : static_cast<uint8_t>(out[at / 8] & ~bit);
        ++at;
        --count;
    }
    std::memset(out + at / 8, one ? 0xFF : 0, static_cast<size_t>(count / 8));
    at += count / 8 * 8;
    for (count %= 8; count != 0; --count, ++at) {
        const auto bit = static_cast<uint8_t>(1u << (at % 8));
        out[at / 8] = one ? static_cast<uint8_t>(out[at / 8] | bit)
                          : static_cast<uint8_t>(out[at / 8] & ~bit);
    }
}

// ORs `count` bits of `src` (from bit 0, none set past count) into out from bit `at`; out's
// bits from `at` on must be clear.
inline void orBitsAt(uint8_t* out, uint64_t at, const uint8_t* src, uint64_t count) {
    const auto shift = static_cast<unsigned>(at % 8);
    uint8_t* to = out + at / 8;
    const size_t size = bytesFor(count);
    if (shift == 0) {
        for (size_t i = 0; i < size; ++i) {
            to[i] |= src[i];
        }
        return;
    }
    const size_t reach = bytesFor(shift + count);
    for (size_t i = 0; i < size; ++i) {
        to[i] |= static_cast<uint8_t>(src[i] << shift);
        if (i + 1 < reach) {
            to[i + 1] |= static_cast<uint8_t>(src[i] >> (8 - shift));
        }
    }
}

}  // namespace kelsvfreader

#endif  // KELSVFREADER_BIT_COPY_H
