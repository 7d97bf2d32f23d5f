// Whole scans as the chain sees them, and the bit work the writers need to fold headers into
// scans and to cut long scans into pieces. Vectors use the readers' bit-buffer convention: bit i
// in bit i % 8 of byte i / 8, bit 0 first into TDI, no bit set beyond the length.
#ifndef KELSVFWRITER_SCAN_BITS_H
#define KELSVFWRITER_SCAN_BITS_H

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "kelsvfreader/SvfStatement.h"

namespace kelsvfwriter {

using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;

inline size_t bytesFor(uint64_t bits) {
    return static_cast<size_t>((bits + 7) / 8);
}

// Copies `count` bits from src (from bit srcStart) to dst (from bit dstStart); dst's other bits
// are kept.
void copyBits(uint8_t* dst, uint64_t dstStart, const uint8_t* src, uint64_t srcStart,
              uint64_t count);
bool anyBitSet(std::span<const uint8_t> bits);

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

// One SIR or SDR with its header and trailer, header first. TDO and MASK are empty when no bit
// is compared; a bit not compared has MASK 0.
struct FullScan {
    uint64_t bitCount = 0;
    std::span<const uint8_t> tdi;
    std::span<const uint8_t> tdo;
    std::span<const uint8_t> mask;

    // Whether TDO is compared (also for a scan of no bits, whose check compares none).
    bool checks() const { return compared_; }
    // Composes the scan; views the statement's own vectors when there is nothing to fold.
    void compose(const ScanValues& header, const ScanValues& body, const ScanValues& trailer);
    // Bits [start, start + count) into `piece`, its own storage.
    void slice(uint64_t start, uint64_t count, FullScan& piece) const;

  private:
    bool compared_ = false;
    std::vector<uint8_t> tdi_;
    std::vector<uint8_t> tdo_;
    std::vector<uint8_t> mask_;
};

// The pieces of a scan of `bits` under a limit of `maxScan` bits (0: none): whole bytes each but
// the last, where the limit allows.
uint64_t pieceLength(uint64_t bits, uint64_t maxScan);

}  // namespace kelsvfwriter

#endif  // KELSVFWRITER_SCAN_BITS_H
