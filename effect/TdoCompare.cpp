// The TDO a scan expects (in its statement, header or trailer) against what the chain shifted
// out, a word at a time.
#include <algorithm>
#include <bit>
#include <cstring>

#include "PlayerImpl.h"
#include "report/ValueText.h"

namespace kelsvf::check {

using kelsvfreader::ScanValues;

namespace {

uint64_t loadWord(const uint8_t* bytes, size_t size) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, size);  // little-endian hosts: byte k is bits 8k..8k+7
    return word;
}

// Bits of `actual` and `expected` that differ under `mask` (null: every bit) where `known`,
// of the first `bitCount`, into `result` (the first mismatch counted from `offset`).
void compareBits(const uint8_t* actual, const uint8_t* expected, const uint8_t* mask,
                 const uint8_t* known, uint64_t bitCount, uint64_t offset, TdoTally& result) {
    const size_t bytes = bytesFor(bitCount);
    for (size_t at = 0; at < bytes; at += 8) {
        const size_t size = std::min<size_t>(8, bytes - at);
        const uint64_t bitsHere = std::min<uint64_t>(64, bitCount - uint64_t{at} * 8);
        uint64_t compared = bitsHere < 64 ? (uint64_t{1} << bitsHere) - 1 : ~uint64_t{0};
        if (mask != nullptr) {
            compared &= loadWord(mask + at, size);
        }
        const uint64_t knownHere = loadWord(known + at, size);
        // Most words are wholly known or wholly unknown: no count for an empty set.
        const uint64_t unknownHere = compared & ~knownHere;
        const uint64_t comparedHere = compared & knownHere;
        result.unknown += unknownHere == 0 ? 0 : static_cast<uint64_t>(std::popcount(unknownHere));
        result.compared +=
            comparedHere == 0 ? 0 : static_cast<uint64_t>(std::popcount(comparedHere));
        const uint64_t differ =
            (loadWord(actual + at, size) ^ loadWord(expected + at, size)) & compared & knownHere;
        if (differ != 0) {
            if (result.mismatched == 0) {
                result.first =
                    offset + uint64_t{at} * 8 + static_cast<uint64_t>(std::countr_zero(differ));
            }
            result.mismatched += static_cast<uint64_t>(std::popcount(differ));
        }
    }
}

// `count` bits of `bits` from `first` as a value of their own.
Bits copyOf(const uint8_t* bits, uint64_t first, uint64_t count) {
    std::vector<uint8_t> copy(bytesFor(count), 0);
    copyBits(copy.data(), 0, bits, first, count);
    return Bits::fromBytes(std::move(copy), count);
}

}  // namespace

void ChainPlayer::Impl::startTdo(bool ir, uint64_t totalBits) {
    tally = TdoTally{};
    if (totalBits <= kBlockBits) {
        return;  // the blocks hold the whole scan
    }
    // What a long scan brings out, as slices: a path of known length gives what it held, then
    // the scan's own bits; past the registers on the TDO side of one of unknown length, only
    // that device knows.
    actualRope = BitRope{};
    if (ir || !elastic) {
        const ShiftWindow& path = ir ? irPath : drPath;
        const uint64_t held = std::min(totalBits, path.length());
        if (held != 0) {
            append(actualRope, copyOf(path.bits(), 0, held));
        }
        if (totalBits > held) {
            scanTdi.appendTo(actualRope, 0, totalBits - held);
        }
        return;
    }
    const uint64_t captured =
        drShiftedBits < tdoSideBits ? std::min(totalBits, tdoSideBits - drShiftedBits) : 0;
    if (captured != 0) {
        append(actualRope, copyOf(drCapture.bits(), drShiftedBits, captured));
    }
    if (totalBits > captured) {
        append(actualRope, Bits::zeros(totalBits - captured));
    }
}

void ChainPlayer::Impl::compareBlock(uint64_t first, uint64_t count) {
    blockExpected = scanTdo.block(first, count, expectedBlock);
    blockMask = maskImplicit ? nullptr : scanMask.block(first, count, maskBlock);
    compareBits(tdoBlock.data(), blockExpected, blockMask, knownBlock.data(), count, first, tally);
}

void ChainPlayer::Impl::checkWholeTdo(uint64_t bits, const uint8_t* expected, const uint8_t* mask) {
    tally = TdoTally{};
    maskImplicit = mask == nullptr;
    blockExpected = expected;
    blockMask = mask;
    compareBits(tdoBlock.data(), expected, mask, knownBlock.data(), bits, 0, tally);
    reportTdo(false, bits, 0);
}

void ChainPlayer::Impl::reportTdo(bool ir, uint64_t totalBits, uint64_t captureOffset) {
    const TdoTally& comparison = tally;
    TdoCheck check;
    check.line = line;
    check.ir = ir;
    check.passed = comparison.mismatched == 0;
    check.bitCount = totalBits;
    check.mismatchedBits = comparison.mismatched;
    check.firstMismatch = comparison.first;
    check.unknownBits = comparison.unknown;
    check.comparedBits = comparison.compared;
    check.idcode = !ir && idcodeCaptured;
    check.captureNumber = ir ? irCaptureNumber : drCaptureNumber;
    check.captureOffset = captureOffset;
    if (totalBits <= kBlockBits) {
        const size_t bytes = bytesFor(totalBits);
        check.expected = BitValue({blockExpected, bytes}, totalBits);
        check.mask = maskImplicit ? BitValue() : BitValue({blockMask, bytes}, totalBits);
        check.actual = BitValue(tdoBlock, totalBits);
    } else {
        expectedRope = BitRope{};
        scanTdo.appendTo(expectedRope, 0, totalBits);
        check.expected = BitValue(expectedRope);
        if (!maskImplicit) {
            maskRope = BitRope{};
            scanMask.appendTo(maskRope, 0, totalBits);
            check.mask = BitValue(maskRope);
        }
        check.actual = BitValue(actualRope);
    }
    ++counts.tdoChecks;
    if (!check.passed) {
        ++counts.tdoFailures;
    }
    if (check.comparedBits == 0) {
        ++counts.tdoUncompared;
    }
    sink.tdoCheck(check);
    if (!check.passed) {
        const char* name = ir ? "SIR" : "SDR";
        report(Severity::Error, 0, kTdoMismatch,
               std::string(name) + ": TDO differs in " + std::to_string(comparison.mismatched) +
                   " of the compared bits, first at bit " + std::to_string(comparison.first) +
                   ": expected " + valueText(check.expected, totalBits) + ", read " +
                   valueText(check.actual, totalBits) +
                   (check.mask.empty() ? "" : ", mask " + valueText(check.mask, totalBits)));
    }
}

}  // namespace kelsvf::check
