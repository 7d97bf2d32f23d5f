#include "BitValue.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "BitBuffer.h"

namespace kelsvf::check {

const uint8_t* BitValue::memory() const {
    if (rope_ == nullptr) {
        return bytes_;
    }
    // A slice that ends inside a byte may carry the store's next bits in it.
    return rope_->pieces().size() == 1 && bitCount_ % 8 == 0 ? rope_->pieces().front().memory()
                                                             : nullptr;
}

bool BitValue::read(uint64_t first, uint64_t count, uint8_t* out) const {
    if (rope_ != nullptr) {
        return rope_->read(first, count, out);
    }
    if (count == 0) {
        return true;
    }
    if (bytes_ == nullptr) {
        fillBits(out, 0, count, true);  // no mask: every bit compared
    } else if (first % 8 == 0) {
        std::memcpy(out, bytes_ + first / 8, bytesFor(count));
    } else {
        copyBits(out, 0, bytes_, first, count);
    }
    if (count % 8 != 0) {
        out[count / 8] = static_cast<uint8_t>(out[count / 8] & ((1u << (count % 8)) - 1u));
    }
    return true;
}

std::span<const uint8_t> BitValue::bytes(std::vector<uint8_t>& buffer) const {
    if (const uint8_t* whole = memory()) {
        return {whole, bytesFor(bitCount_)};
    }
    buffer.assign(bytesFor(bitCount_), 0);
    if (!read(0, bitCount_, buffer.data())) {
        return {};
    }
    return buffer;
}

BitRope BitValue::keep() const {
    if (rope_ != nullptr) {
        return *rope_;
    }
    BitRope rope;
    if (bitCount_ != 0) {
        std::vector<uint8_t> copy(bytesFor(bitCount_), 0xFF);
        if (bytes_ != nullptr) {
            copy.assign(bytes_, bytes_ + bytesFor(bitCount_));
        }
        clearTail(copy, bitCount_);
        append(rope, Bits::fromBytes(std::move(copy), bitCount_));
    }
    return rope;
}

void append(BitRope& to, const Bits& piece) {
    if (!to.append(piece)) {
        throw std::bad_alloc();
    }
}

void append(BitRope& to, const BitRope& from) {
    if (!to.append(from)) {
        throw std::bad_alloc();
    }
}

void requireRead(bool read) {
    if (!read) {
        throw std::runtime_error("a long value kept on disk could not be read back");
    }
}

void ScanParts::set(const Bits* header, const Bits* body, const Bits* trailer,
                    const std::array<uint64_t, 3>& sizes) {
    parts_ = {header, body, trailer};
    for (size_t i = 0; i < 3; ++i) {
        if (parts_[i] == nullptr) {
            zeros_[i] = Bits::zeros(sizes[i]);
            parts_[i] = &zeros_[i];
        }
        starts_[i + 1] = starts_[i] + sizes[i];
    }
}

bool ScanParts::allOnes() const {
    return std::all_of(parts_.begin(), parts_.end(),
                       [](const Bits* bits) { return bits->empty() || bits->allOnes(); });
}

const uint8_t* ScanParts::block(uint64_t first, uint64_t count,
                                std::vector<uint8_t>& buffer) const {
    for (size_t i = 0; i < 3; ++i) {
        if (first >= starts_[i] && first + count <= starts_[i + 1] &&
            (first - starts_[i]) % 8 == 0) {
            if (const uint8_t* whole = parts_[i]->memory()) {
                return whole + (first - starts_[i]) / 8;
            }
        }
    }
    buffer.assign(bytesFor(count), 0);
    std::vector<uint8_t> piece;
    for (size_t i = 0; i < 3; ++i) {
        const uint64_t from = std::max(first, starts_[i]);
        const uint64_t to = std::min(first + count, starts_[i + 1]);
        if (from >= to) {
            continue;
        }
        piece.assign(bytesFor(to - from), 0);
        requireRead(parts_[i]->read(from - starts_[i], to - from, piece.data()));
        copyBits(buffer.data(), from - first, piece.data(), 0, to - from);
    }
    return buffer.data();
}

void ScanParts::appendTo(BitRope& rope, uint64_t first, uint64_t count) const {
    for (size_t i = 0; i < 3; ++i) {
        const uint64_t from = std::max(first, starts_[i]);
        const uint64_t to = std::min(first + count, starts_[i + 1]);
        if (from < to) {
            append(rope, parts_[i]->slice(from - starts_[i], to - from));
        }
    }
}

}  // namespace kelsvf::check
