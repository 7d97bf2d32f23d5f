#include "BitBuffer.h"

#include <algorithm>
#include <cstring>

namespace kelsvf::check {

void copyBits(uint8_t* dst, uint64_t dstStart, const uint8_t* src, uint64_t srcStart,
              uint64_t count) {
    for (; count != 0 && dstStart % 8 != 0; ++dstStart, ++srcStart, --count) {
        putBit(dst, dstStart, bitAt(src, srcStart));
    }
    uint8_t* out = dst + dstStart / 8;
    const uint8_t* in = src + srcStart / 8;
    const unsigned shift = static_cast<unsigned>(srcStart % 8);
    const size_t bytes = static_cast<size_t>(count / 8);
    if (bytes == 0) {
        // nothing whole to copy (and an empty buffer may be null)
    } else if (shift == 0) {
        std::memcpy(out, in, bytes);
    } else {
        // Eight bytes at a time where the source has a ninth to draw the top bits from.
        size_t i = 0;
        for (; i + 9 <= bytes + 1 && i + 8 <= bytes; i += 8) {
            uint64_t low = 0;
            std::memcpy(&low, in + i, 8);
            const uint64_t high = in[i + 8];
            const uint64_t word = (low >> shift) | (high << (64 - shift));
            std::memcpy(out + i, &word, 8);
        }
        for (; i < bytes; ++i) {
            out[i] = static_cast<uint8_t>((in[i] >> shift) | (in[i + 1] << (8 - shift)));
        }
    }
    const uint64_t done = uint64_t{bytes} * 8;
    for (uint64_t k = done; k < count; ++k) {
        putBit(dst, dstStart + k, bitAt(src, srcStart + k));
    }
}

void fillBits(uint8_t* bits, uint64_t from, uint64_t count, bool value) {
    for (; count != 0 && from % 8 != 0; ++from, --count) {
        putBit(bits, from, value);
    }
    if (count >= 8) {
        std::memset(bits + from / 8, value ? 0xFF : 0, static_cast<size_t>(count / 8));
    }
    from += count / 8 * 8;
    for (count %= 8; count != 0; ++from, --count) {
        putBit(bits, from, value);
    }
}

void clearTail(std::vector<uint8_t>& bits, uint64_t bitCount) {
    if (bitCount % 8 != 0 && !bits.empty()) {
        bits.back() = static_cast<uint8_t>(bits.back() & ((1u << (bitCount % 8)) - 1u));
    }
}

void ShiftWindow::reset(uint64_t length) {
    length_ = length;
    bits_.assign(bytesFor(length), 0);
    known_.assign(bytesFor(length), 0);
}

void ShiftWindow::shift(const uint8_t* src, uint64_t srcStart, uint64_t count, uint8_t* tdo,
                        uint8_t* tdoKnown, uint64_t tdoStart) {
    if (count == 0) {
        return;
    }
    const uint64_t out = std::min(count, length_);
    if (tdo != nullptr) {
        copyBits(tdo, tdoStart, bits_.data(), 0, out);
        copyBits(tdoKnown, tdoStart, known_.data(), 0, out);
        if (count > length_) {
            copyBits(tdo, tdoStart + length_, src, srcStart, count - length_);
            fillBits(tdoKnown, tdoStart + length_, count - length_, true);
        }
    }
    if (count >= length_) {
        copyBits(bits_.data(), 0, src, srcStart + (count - length_), length_);
        fillBits(known_.data(), 0, length_, true);
        return;
    }
    // The bits that stay move towards TDO; the new ones enter behind them.
    const uint64_t stay = length_ - count;
    for (std::vector<uint8_t>* buffer : {&bits_, &known_}) {
        scratch_.assign(buffer->size(), 0);
        copyBits(scratch_.data(), 0, buffer->data(), count, stay);
        buffer->swap(scratch_);
    }
    copyBits(bits_.data(), stay, src, srcStart, count);
    fillBits(known_.data(), stay, count, true);
}

}  // namespace kelsvf::check
