// Bit-buffer helpers: copyBits under every padded scan, and maskBuffer for targets.
#include <algorithm>
#include <bit>
#include <cstring>

#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

// Little-endian 64-bit load and store: byte k of the buffer is bits 8k..8k+7 of the word, which
// is exactly the bit order of a bit buffer.
uint64_t loadWord(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

void storeWord(uint8_t* bytes, uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    std::memcpy(bytes, &word, sizeof word);
}

// Up to 8 bits of `src` starting at bit `pos`, in the low bits of the result. Touches only the
// bytes that hold those bits.
uint8_t fetchByte(const uint8_t* src, uint64_t pos, unsigned count) {
    const uint8_t* p = src + pos / 8;
    const unsigned shift = static_cast<unsigned>(pos % 8);
    unsigned value = static_cast<unsigned>(p[0]) >> shift;
    if (shift + count > 8) {
        value |= static_cast<unsigned>(p[1]) << (8 - shift);
    }
    return static_cast<uint8_t>(value & ((1u << count) - 1u));
}

// 64 bits of `src` starting at bit `pos`. Reads at most the nine bytes that hold them.
uint64_t fetchWord(const uint8_t* src, uint64_t pos) {
    const uint8_t* p = src + pos / 8;
    const unsigned shift = static_cast<unsigned>(pos % 8);
    const uint64_t low = loadWord(p);
    if (shift == 0) {
        return low;
    }
    return (low >> shift) | (static_cast<uint64_t>(p[8]) << (64 - shift));
}

// Writes `count` (1..8) low bits of `value` at bit `bitInByte` of *dst, keeping its other bits.
void mergeBits(uint8_t* dst, unsigned bitInByte, uint8_t value, unsigned count) {
    const unsigned mask = ((1u << count) - 1u) << bitInByte;
    *dst =
        static_cast<uint8_t>((*dst & ~mask) | ((static_cast<unsigned>(value) << bitInByte) & mask));
}

}  // namespace

void KelPlugin::copyBits(uint8_t* dst, uint32_t dstStart, const uint8_t* src, uint32_t srcStart,
                         uint32_t numBits) {
    if (numBits == 0) {
        return;
    }
    uint64_t remaining = numBits;
    uint64_t from = srcStart;
    uint8_t* out = dst + dstStart / 8;

    // Bring the destination to a byte boundary; after that every store is whole bytes.
    const unsigned headOffset = dstStart % 8;
    if (headOffset != 0) {
        const unsigned count = static_cast<unsigned>(std::min<uint64_t>(8 - headOffset, remaining));
        mergeBits(out, headOffset, fetchByte(src, from, count), count);
        from += count;
        remaining -= count;
        ++out;
    }

    if (from % 8 == 0) {
        // Source aligned too: the bulk is a plain byte copy.
        const uint64_t bytes = remaining / 8;
        std::memcpy(out, src + from / 8, static_cast<size_t>(bytes));
        out += bytes;
        from += bytes * 8;
        remaining -= bytes * 8;
    } else {
        // Each source word is loaded once and shared by two output words. The look-ahead load
        // stays inside the copied range while at least 128 bits remain.
        const uint8_t* in = src + from / 8;
        const unsigned shift = static_cast<unsigned>(from % 8);
        if (remaining >= 128) {
            uint64_t low = loadWord(in);
            for (; remaining >= 128; remaining -= 64, from += 64, out += 8) {
                in += 8;
                const uint64_t high = loadWord(in);
                storeWord(out, (low >> shift) | (high << (64 - shift)));
                low = high;
            }
        }
        for (; remaining >= 64; remaining -= 64, from += 64, out += 8) {
            storeWord(out, fetchWord(src, from));
        }
        for (; remaining >= 8; remaining -= 8, from += 8, ++out) {
            *out = fetchByte(src, from, 8);
        }
    }

    if (remaining != 0) {
        const unsigned count = static_cast<unsigned>(remaining);
        mergeBits(out, 0, fetchByte(src, from, count), count);
    }
}

KelResult KelPlugin::maskBuffer(uint8_t* out, const uint8_t* buffer, const uint8_t* mask,
                                uint32_t bitCount) {
    // Both ways out leave the result text empty.
    boundary::TraceScope trace("KelPlugin::maskBuffer");
    if (out == nullptr || buffer == nullptr || mask == nullptr) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> Atleast one NULL buffer passed into maskBuffer.\n");
        return KEL_FAILURE;
    }
    // Word by word, each word read whole before it is written, so `out` may alias an input.
    const size_t byteCount = bitCount / 8 + (bitCount % 8 != 0 ? 1 : 0);
    size_t i = 0;
    for (; i + 8 <= byteCount; i += 8) {
        storeWord(out + i, loadWord(buffer + i) & loadWord(mask + i));
    }
    for (; i < byteCount; ++i) {
        out[i] = static_cast<uint8_t>(buffer[i] & mask[i]);
    }
    return KEL_SUCCESS;
}

}  // namespace KelPluginInterface
