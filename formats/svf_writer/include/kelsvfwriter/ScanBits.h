// Whole scans as the chain sees them, and the bit work the writers need to fold headers into
// scans and to cut long scans into pieces. Vectors use the readers' bit-buffer convention: bit i
// in bit i % 8 of byte i / 8, bit 0 first into TDI, no bit set beyond the length.
#ifndef KELSVFWRITER_SCAN_BITS_H
#define KELSVFWRITER_SCAN_BITS_H

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "kelsvfreader/SvfStatement.h"

namespace kelsvfwriter {

using kelsvfreader::BitRope;
using kelsvfreader::Bits;
using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;

inline size_t bytesFor(uint64_t bits) {
    return static_cast<size_t>((bits + 7) / 8);
}

// Whether any bit is set, and whether two sequences hold the same bits, read in blocks. Both
// throw std::runtime_error when a spilled value cannot be read back (the writer then stops).
bool anyBitSet(const BitRope& bits);
bool sameBits(const BitRope& a, const BitRope& b);
// Blocks of at most `blockBits` bits (a multiple of 8) from the top down, as for hex; throws as
// above.
void readFromTop(const BitRope& bits, uint64_t blockBits,
                 const std::function<void(const uint8_t*, uint64_t)>& take);

// HIR, HDR, TIR and TDR as the statements so far set them.
class HeadersInForce {
  public:
    // Takes the values of a header statement; other statements are ignored.
    void take(const kelsvfreader::Statement& statement);
    const ScanValues& header(bool ir) const { return values_[ir ? 0 : 1]; }
    const ScanValues& trailer(bool ir) const { return values_[ir ? 2 : 3]; }
    bool empty(bool ir) const { return header(ir).bitCount == 0 && trailer(ir).bitCount == 0; }

  private:
    std::array<ScanValues, 4> values_;  // HIR, HDR, TIR, TDR
};

// One SIR or SDR with its header and trailer, header first, as pieces that share the values
// stores. TDO and MASK are empty when no bit is compared; a bit not compared has MASK 0.
struct FullScan {
    uint64_t bitCount = 0;
    BitRope tdi;
    BitRope tdo;
    BitRope mask;

    // Whether TDO is compared (also for a scan of no bits, whose check compares none).
    bool checks() const { return compared_; }
    void compose(const ScanValues& header, const ScanValues& body, const ScanValues& trailer);
    // Bits [start, start + count) into `piece`; compared only where its MASK has a bit.
    void slice(uint64_t start, uint64_t count, FullScan& piece) const;

  private:
    bool compared_ = false;
};

// The pieces of a scan of `bits` under a limit of `maxScan` bits (0: none): whole bytes each but
// the last, where the limit allows.
uint64_t pieceLength(uint64_t bits, uint64_t maxScan);

}  // namespace kelsvfwriter

#endif  // KELSVFWRITER_SCAN_BITS_H
