// Pieces of Bits read as one sequence.
#include <algorithm>
#include <new>

#include "BitCopy.h"
#include "kelsvfreader/Bits.h"

namespace kelsvfreader {

bool BitRope::append(const Bits& piece) noexcept {
    if (piece.empty()) {
        return true;
    }
    try {
        pieces_.reserve(pieces_.size() + 1);
        starts_.reserve(starts_.size() + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    pieces_.push_back(piece);
    starts_.push_back(size_);
    size_ += piece.size();
    return true;
}

bool BitRope::append(const BitRope& rope) noexcept {
    for (const Bits& piece : rope.pieces_) {
        if (!append(piece)) {
            return false;
        }
    }
    return true;
}

bool BitRope::read(uint64_t first, uint64_t count, uint8_t* out) const noexcept {
    if (count == 0) {
        return true;
    }
    const uint64_t end = first + std::min(count, size_ - std::min(first, size_));
    // The first piece that ends past `first`.
    auto at = std::upper_bound(starts_.begin(), starts_.end(), first);
    size_t index = at == starts_.begin() ? 0 : static_cast<size_t>(at - starts_.begin()) - 1;
    if (index < pieces_.size() && starts_[index] <= first &&
        first + count <= starts_[index] + pieces_[index].size()) {
        // Inside one piece (a long scan read a block at a time): it writes every byte.
        return pieces_[index].read(first - starts_[index], count, out);
    }
    std::memset(out, 0, bytesFor(count));
    std::vector<uint8_t> scratch;
    for (; index < pieces_.size() && starts_[index] < end; ++index) {
        const Bits& piece = pieces_[index];
        const uint64_t from = std::max(first, starts_[index]);
        const uint64_t to = std::min(end, starts_[index] + piece.size());
        const uint64_t offset = from - first;
        const uint64_t bits = to - from;
        if (offset % 8 == 0) {
            // Reading clears the spare bits of its last byte: those belong to later pieces.
            if (!piece.read(from - starts_[index], bits, out + offset / 8)) {
                return false;
            }
            continue;
        }
        try {
            scratch.resize(bytesFor(bits));
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (!piece.read(from - starts_[index], bits, scratch.data())) {
            return false;
        }
        orBitsAt(out, offset, scratch.data(), bits);
    }
    return true;
}

bool BitRope::readFromTop(
    uint64_t blockBits, const std::function<bool(const uint8_t*, uint64_t)>& take) const noexcept {
    if (blockBits == 0 || blockBits % 8 != 0) {
        blockBits = uint64_t{1} << 22;
    }
    try {
        std::vector<uint8_t> block(bytesFor(std::min(blockBits, size_)));
        for (uint64_t top = size_; top > 0;) {
            const uint64_t bottom = (top - 1) / blockBits * blockBits;
            if (!read(bottom, top - bottom, block.data()) || !take(block.data(), top - bottom)) {
                return false;
            }
            top = bottom;
        }
        return true;
    } catch (...) {
        return false;
    }
}

BitRope BitRope::slice(uint64_t first, uint64_t count) const noexcept {
    BitRope part;
    const uint64_t end = first + std::min(count, size_ - std::min(first, size_));
    for (size_t i = 0; i < pieces_.size(); ++i) {
        const uint64_t start = starts_[i];
        const uint64_t stop = start + pieces_[i].size();
        if (stop <= first || start >= end) {
            continue;
        }
        const uint64_t from = std::max(first, start);
        if (!part.append(pieces_[i].slice(from - start, std::min(end, stop) - from))) {
            return BitRope();
        }
    }
    return part;
}

bool BitRope::allZeros() const {
    return std::all_of(pieces_.begin(), pieces_.end(), [](const Bits& b) { return b.allZeros(); });
}

bool BitRope::allOnes() const {
    return std::all_of(pieces_.begin(), pieces_.end(), [](const Bits& b) { return b.allOnes(); });
}

std::string BitRope::readError() const {
    for (const Bits& piece : pieces_) {
        if (std::string why = piece.readError(); !why.empty()) {
            return why;
        }
    }
    return {};
}

}  // namespace kelsvfreader
