// A scan statement's vectors as the player takes them: TDI, expected TDO and MASK as Bits.
#ifndef KELSVF_CHECK_SCAN_VECTORS_H
#define KELSVF_CHECK_SCAN_VECTORS_H

#include "BitValue.h"
#include "kelsvfreader/SvfStatement.h"

namespace kelsvf::check {

// The expected TDO and the MASK in force of a part; null (zeros: nothing compared) where the
// statement gives no TDO.
inline const Bits* tdoOf(const kelsvfreader::ScanValues& scan) {
    return scan.tdoGiven ? &scan.tdo : nullptr;
}
inline const Bits* maskOf(const kelsvfreader::ScanValues& scan) {
    return scan.tdoGiven ? &scan.mask() : nullptr;
}

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_SCAN_VECTORS_H
