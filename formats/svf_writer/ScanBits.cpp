// Bit copies, header folding and scan slicing for the writers.
#include "kelsvfwriter/ScanBits.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace kelsvfwriter {

namespace {

constexpr uint64_t kBlockBits = uint64_t{1} << 22;

[[noreturn]] void cannotRead(const BitRope& bits) {
    const std::string why = bits.readError();
    throw std::runtime_error(why.empty() ? "out of memory" : why);
}

void append(BitRope& rope, const Bits& bits) {
    if (!rope.append(bits)) {
        throw std::bad_alloc();
    }
}

}  // namespace

bool anyBitSet(const BitRope& bits) {
    if (bits.allZeros()) {
        return false;
    }
    if (bits.allOnes()) {
        return true;
    }
    std::vector<uint8_t> block(bytesFor(std::min(kBlockBits, bits.size())));
    for (uint64_t at = 0; at < bits.size(); at += kBlockBits) {
        const uint64_t count = std::min(kBlockBits, bits.size() - at);
        if (!bits.read(at, count, block.data())) {
            cannotRead(bits);
        }
        if (std::any_of(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(bytesFor(count)),
                        [](uint8_t b) { return b != 0; })) {
            return true;
        }
    }
    return false;
}

bool sameBits(const BitRope& a, const BitRope& b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::vector<uint8_t> blockA(bytesFor(std::min(kBlockBits, a.size())));
    std::vector<uint8_t> blockB(blockA.size());
    for (uint64_t at = 0; at < a.size(); at += kBlockBits) {
        const uint64_t count = std::min(kBlockBits, a.size() - at);
        if (!a.read(at, count, blockA.data())) {
            cannotRead(a);
        }
        if (!b.read(at, count, blockB.data())) {
            cannotRead(b);
        }
        if (std::memcmp(blockA.data(), blockB.data(), bytesFor(count)) != 0) {
            return false;
        }
    }
    return true;
}

void readFromTop(const BitRope& bits, uint64_t blockBits,
                 const std::function<void(const uint8_t*, uint64_t)>& take) {
    if (!bits.readFromTop(blockBits, [&](const uint8_t* bytes, uint64_t count) {
            take(bytes, count);
            return true;
        })) {
        cannotRead(bits);
    }
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

void FullScan::compose(const ScanValues& header, const ScanValues& body,
                       const ScanValues& trailer) {
    bitCount = uint64_t{header.bitCount} + body.bitCount + trailer.bitCount;
    // An empty header's TDO still makes the scan a check (of no bit of its own).
    compared_ = header.checksTdo() || body.checksTdo() || trailer.checksTdo();
    tdi = tdo = mask = BitRope();
    for (const ScanValues* part : {&header, &body, &trailer}) {
        append(tdi, part->tdi);
        if (compared_) {
            const bool own = part->checksTdo();
            append(tdo, own ? part->tdo : Bits::zeros(part->bitCount));
            append(mask, own ? part->mask() : Bits::zeros(part->bitCount));
        }
    }
}

void FullScan::slice(uint64_t start, uint64_t count, FullScan& piece) const {
    piece.bitCount = count;
    piece.tdi = tdi.slice(start, count);
    piece.tdo = piece.mask = BitRope();
    piece.compared_ = false;
    if (checks()) {
        BitRope pieceMask = mask.slice(start, count);
        if (anyBitSet(pieceMask)) {
            piece.compared_ = true;
            piece.mask = std::move(pieceMask);
            piece.tdo = tdo.slice(start, count);
        }
    }
    if (piece.tdi.size() != count || (piece.compared_ && piece.tdo.size() != count)) {
        throw std::bad_alloc();
    }
}

uint64_t pieceLength(uint64_t bits, uint64_t maxScan) {
    if (maxScan == 0 || bits <= maxScan) {
        return bits;
    }
    return maxScan >= 8 ? maxScan / 8 * 8 : maxScan;
}

}  // namespace kelsvfwriter
