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

struct Comparison {
    uint64_t mismatched = 0;
    uint64_t first = 0;
    uint64_t unknown = 0;  // bits under the mask whose value the simulation does not know
    uint64_t compared = 0;
};

// Bits of `actual` and `expected` that differ under `mask` (null: every bit) where `known`,
// of the first `bitCount`.
Comparison compareBits(const uint8_t* actual, const uint8_t* expected, const uint8_t* mask,
                       const uint8_t* known, uint64_t bitCount) {
    Comparison result;
    const size_t bytes = bytesFor(bitCount);
    for (size_t at = 0; at < bytes; at += 8) {
        const size_t size = std::min<size_t>(8, bytes - at);
        const uint64_t bitsHere = std::min<uint64_t>(64, bitCount - uint64_t{at} * 8);
        uint64_t compared = bitsHere < 64 ? (uint64_t{1} << bitsHere) - 1 : ~uint64_t{0};
        if (mask != nullptr) {
            compared &= loadWord(mask + at, size);
        }
        const uint64_t knownHere = loadWord(known + at, size);
        result.unknown += static_cast<uint64_t>(std::popcount(compared & ~knownHere));
        result.compared += static_cast<uint64_t>(std::popcount(compared & knownHere));
        const uint64_t differ =
            (loadWord(actual + at, size) ^ loadWord(expected + at, size)) & compared & knownHere;
        if (differ != 0) {
            if (result.mismatched == 0) {
                result.first = uint64_t{at} * 8 + static_cast<uint64_t>(std::countr_zero(differ));
            }
            result.mismatched += static_cast<uint64_t>(std::popcount(differ));
        }
    }
    return result;
}

}  // namespace

void ChainPlayer::Impl::compareTdo(bool ir, const ScanValues* parts[3], uint64_t totalBits) {
    const uint8_t* expected = nullptr;
    const uint8_t* mask = nullptr;
    const ScanValues& body = *parts[1];
    if (parts[0]->bitCount == 0 && parts[2]->bitCount == 0 && body.tdoGiven) {
        // The statement alone: its own vectors, and no all-ones MASK made for nothing. (An
        // empty header's TDO leaves the body without one: it compares nothing, below.)
        expected = wholeBytes(body.tdo, expectedAll);
        mask = body.maskAllOnes() ? nullptr : wholeBytes(body.mask(), maskAll);
    } else {
        expectedAll.assign(bytesFor(totalBits), 0);
        maskAll.assign(bytesFor(totalBits), 0);
        std::vector<uint8_t> scratch;
        uint64_t offset = 0;
        for (int i = 0; i < 3; ++i) {
            const ScanValues& part = *parts[i];
            const uint64_t at = offset;
            if (part.tdoGiven) {
                copyBits(expectedAll.data(), at, wholeBytes(part.tdo, scratch), 0, part.bitCount);
                if (part.maskAllOnes()) {
                    fillBits(maskAll.data(), at, part.bitCount, true);
                } else {
                    copyBits(maskAll.data(), at, wholeBytes(part.mask(), scratch), 0,
                             part.bitCount);
                }
            }
            offset += part.bitCount;
        }
        expected = expectedAll.data();
        mask = maskAll.data();
    }

    const Comparison comparison =
        compareBits(tdoAll.data(), expected, mask, knownAll.data(), totalBits);
    const size_t bytes = bytesFor(totalBits);
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
    check.expected = std::span<const uint8_t>(expected, bytes);
    check.mask =
        mask == nullptr ? std::span<const uint8_t>() : std::span<const uint8_t>(mask, bytes);
    check.actual = std::span<const uint8_t>(tdoAll.data(), bytes);
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
