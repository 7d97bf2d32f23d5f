// Reading spilled digits back as bits: value byte j holds digits 2j (low half) and 2j + 1 counted
// from the least significant one, which lie at the far end of the digit text.
#include "DigitStore.h"

#include <algorithm>
#include <cstring>

#include "BitCopy.h"

namespace kelsvfreader {
namespace {

constexpr size_t kChunk = 32 * 1024;

}  // namespace

bool DigitStore::valueBytes(uint64_t from, uint64_t to, uint8_t* out,
                            std::vector<uint8_t>& text) const {
    const size_t count = static_cast<size_t>(to - from);
    if (digits_ % 2 == 0) {
        // Whole bytes of digits, in reverse order.
        const uint64_t half = digits_ / 2;
        if (!fetch(half - to, count, text.data())) {
            return false;
        }
        size_t k = 0;
        for (; k + 8 <= count; k += 8) {
            uint64_t word = 0;
            std::memcpy(&word, text.data() + count - k - 8, 8);
            word = __builtin_bswap64(word);
            std::memcpy(out + k, &word, 8);
        }
        for (; k < count; ++k) {
            out[k] = text[count - 1 - k];
        }
        return true;
    }
    // An odd count: each value byte takes the high half of one text byte and the low half of
    // the one before it.
    const uint64_t top = (digits_ - 1) / 2;
    const uint64_t highest = top - from;
    const uint64_t lowest = top - (to - 1);
    const uint64_t start = lowest == 0 ? 0 : lowest - 1;
    if (!fetch(start, static_cast<size_t>(highest - start + 1), text.data())) {
        return false;
    }
    for (uint64_t j = from; j < to; ++j) {
        const uint64_t k = top - j;
        const unsigned low = text[k - start] >> 4;
        const unsigned high = k >= 1 ? text[k - 1 - start] & 0x0Fu : 0u;
        out[j - from] = static_cast<uint8_t>(low | high << 4);
    }
    return true;
}

bool DigitStore::read(uint64_t first, uint64_t count, uint8_t* out) const {
    const size_t size = bytesFor(count);
    const uint64_t stored = (digits_ + 1) / 2;
    const uint64_t base = first / 8;
    const auto shift = static_cast<unsigned>(first % 8);
    // Kept per thread: players read long values in many small blocks.
    thread_local std::vector<uint8_t> value(kChunk + 1);
    thread_local std::vector<uint8_t> text(kChunk + 2);
    for (size_t i = 0; i < size; i += kChunk) {
        const size_t n = std::min(kChunk, size - i);
        const uint64_t from = base + i;
        if (shift == 0) {
            // Whole bytes: straight into `out`, the bytes above the digits zero.
            const uint64_t to = std::min<uint64_t>(from + n, stored);
            const size_t held = from < to ? static_cast<size_t>(to - from) : 0;
            if (held != 0 && !valueBytes(from, to, out + i, text)) {
                return false;
            }
            std::memset(out + i + held, 0, n - held);
            continue;
        }
        // One byte more than the chunk for the bits that a shift brings down.
        const uint64_t to = std::min<uint64_t>(from + n + 1, stored);
        std::memset(value.data(), 0, n + 1);
        if (from < to && !valueBytes(from, to, value.data(), text)) {
            return false;
        }
        for (size_t k = 0; k < n; ++k) {
            out[i + k] = static_cast<uint8_t>(value[k] >> shift | value[k + 1] << (8 - shift));
        }
    }
    clearPast(out, count);
    return true;
}

}  // namespace kelsvfreader
