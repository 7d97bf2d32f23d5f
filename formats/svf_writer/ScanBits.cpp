// Bit copies, header folding and scan slicing for the writers.
#include "kelsvfwriter/ScanBits.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kelsvfwriter {

void copyBits(uint8_t* dst, uint64_t dstStart, const uint8_t* src, uint64_t srcStart,
              uint64_t count) {
    if (count == 0) {
        return;
    }
    if (dstStart % 8 == 0 && srcStart % 8 == 0) {
        const uint64_t whole = count / 8;
        std::memcpy(dst + dstStart / 8, src + srcStart / 8, static_cast<size_t>(whole));
        dstStart += whole * 8;
        srcStart += whole * 8;
        count -= whole * 8;
    }
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t from = srcStart + i;
        const uint64_t to = dstStart + i;
        const auto bit = static_cast<uint8_t>(1u << (to % 8));
        if ((src[from / 8] >> (from % 8)) & 1u) {
            dst[to / 8] |= bit;
        } else {
            dst[to / 8] &= static_cast<uint8_t>(~bit);
        }
    }
}

bool anyBitSet(std::span<const uint8_t> bits) {
    return std::any_of(bits.begin(), bits.end(), [](uint8_t b) { return b != 0; });
}

void HeadersInForce::take(const kelsvfreader::Statement& statement) {
    using kelsvfreader::Keyword;
    int index = -1;
    switch (statement.keyword) {
        case Keyword::HIR:
            index = 0;
            break;
        case Keyword::HDR:
            index = 1;
            break;
        case Keyword::TIR:
            index = 2;
            break;
        case Keyword::TDR:
            index = 3;
            break;
        default:
            return;
    }
    if (statement.scan != nullptr) {
        values_[static_cast<size_t>(index)] = *statement.scan;
    }
}

namespace {

// Bits of `bits` into dst from bit `at`.
void copyValue(uint8_t* dst, uint64_t at, const kelsvfreader::Bits& bits, uint64_t count,
               std::vector<uint8_t>& scratch) {
    const uint8_t* const whole = bits.wholeBytes(scratch);
    if (whole == nullptr) {
        throw std::bad_alloc();
    }
    copyBits(dst, at, whole, 0, count);
}

}  // namespace

void FullScan::compose(const ScanValues& header, const ScanValues& body,
                       const ScanValues& trailer) {
    bitCount = uint64_t{header.bitCount} + body.bitCount + trailer.bitCount;
    const bool checked = header.checksTdo() || body.checksTdo() || trailer.checksTdo();
    compared_ = checked;
    // An empty header's TDO still makes the scan a check (of no bit of its own).
    const size_t size = bytesFor(bitCount);
    if (header.bitCount == 0 && trailer.bitCount == 0 && checked == body.checksTdo() &&
        body.tdi.memory() != nullptr &&
        (!checked || (body.tdo.memory() != nullptr && body.mask().memory() != nullptr))) {
        tdi = std::span<const uint8_t>(body.tdi.memory(), size);
        tdo = checked ? std::span<const uint8_t>(body.tdo.memory(), size)
                      : std::span<const uint8_t>();
        mask = checked ? std::span<const uint8_t>(body.mask().memory(), size)
                       : std::span<const uint8_t>();
        return;
    }
    tdi_.assign(size, 0);
    tdo_.assign(checked ? size : 0, 0);
    mask_.assign(checked ? size : 0, 0);
    std::vector<uint8_t> scratch;
    uint64_t at = 0;
    for (const ScanValues* part : {&header, &body, &trailer}) {
        copyValue(tdi_.data(), at, part->tdi, part->bitCount, scratch);
        if (part->checksTdo() && part->bitCount != 0) {
            copyValue(tdo_.data(), at, part->tdo, part->bitCount, scratch);
            copyValue(mask_.data(), at, part->mask(), part->bitCount, scratch);
        }
        at += part->bitCount;
    }
    tdi = tdi_;
    tdo = tdo_;
    mask = mask_;
}

void FullScan::slice(uint64_t start, uint64_t count, FullScan& piece) const {
    const size_t size = bytesFor(count);
    piece.bitCount = count;
    piece.tdi_.assign(size, 0);
    copyBits(piece.tdi_.data(), 0, tdi.data(), start, count);
    piece.tdi = piece.tdi_;
    piece.tdo_.clear();
    piece.mask_.clear();
    piece.compared_ = false;
    if (checks()) {
        piece.mask_.assign(size, 0);
        copyBits(piece.mask_.data(), 0, mask.data(), start, count);
        if (anyBitSet(piece.mask_)) {
            piece.compared_ = true;
            piece.tdo_.assign(size, 0);
            copyBits(piece.tdo_.data(), 0, tdo.data(), start, count);
        } else {
            piece.mask_.clear();
        }
    }
    piece.tdo = piece.tdo_;
    piece.mask = piece.mask_;
}

uint64_t pieceLength(uint64_t bits, uint64_t maxScan) {
    if (maxScan == 0 || bits <= maxScan) {
        return bits;
    }
    return maxScan >= 8 ? maxScan / 8 * 8 : maxScan;
}

}  // namespace kelsvfwriter
