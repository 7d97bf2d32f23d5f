// A scan statement's vectors as the player takes them: TDI, expected TDO and MASK as Bits.
#ifndef KELSVF_CHECK_SCAN_VECTORS_H
#define KELSVF_CHECK_SCAN_VECTORS_H

#include "BitValue.h"
#include "kelsvfreader/SvfStatement.h"

namespace kelsvf::check {

inline const Bits& tdiOf(const kelsvfreader::ScanValues& scan) {
    return scan.tdi;
}
// The expected TDO; zeros where the statement gives no TDO.
inline Bits tdoOf(const kelsvfreader::ScanValues& scan) {
    return scan.tdoGiven ? scan.tdo : Bits::zeros(scan.bitCount);
}
// The MASK in force; zeros where the statement gives no TDO: nothing of it is compared.
inline Bits maskOf(const kelsvfreader::ScanValues& scan) {
    return scan.tdoGiven ? scan.mask() : Bits::zeros(scan.bitCount);
}

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_SCAN_VECTORS_H
