// A scan statement's vectors as the player takes them: TDI, expected TDO and MASK as Bits.
#ifndef KELSVF_CHECK_SCAN_VECTORS_H
#define KELSVF_CHECK_SCAN_VECTORS_H

#include "BitValue.h"
#include "kelsvfreader/SvfStatement.h"

namespace kelsvf::check {

// STUB until the reader's vectors are Bits: copies.
inline Bits tdiOf(const kelsvfreader::ScanValues& scan) {
    return Bits::fromBytes(scan.tdi, scan.bitCount);
}
// The expected TDO under the mask; zeros where the statement gives no TDO.
inline Bits tdoOf(const kelsvfreader::ScanValues& scan) {
    return scan.tdoGiven ? Bits::fromBytes(scan.tdo, scan.bitCount) : Bits::zeros(scan.bitCount);
}
// The MASK in force; zeros where the statement gives no TDO: nothing of it is compared.
inline Bits maskOf(const kelsvfreader::ScanValues& scan) {
    if (!scan.tdoGiven) {
        return Bits::zeros(scan.bitCount);
    }
    return scan.maskAllOnes() ? Bits::ones(scan.bitCount)
                              : Bits::fromBytes(scan.mask(), scan.bitCount);
}

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_SCAN_VECTORS_H
