// The XSVF reader on any bytes: it must never crash or hang, and what it gives must be
// writable: the same bytes read whole and cut into small blocks give the same statements, the
// portable SVF written from them reads back without error, and the XSVF written from them
// (when the writer refuses nothing) reads back without error too.
//
// Input: the first byte picks the block size (1 to 16 bytes) and whether values are spilled,
// the rest is the file.
#include <cstdint>
#include <string>
#include <string_view>

#include "CheckingCallbacks.h"
#include "kelsvfreader/SvfReader.h"
#include "kelsvfwriter/PortableSvfWriter.h"
#include "kelxsvf/XsvfReader.h"
#include "kelxsvf/XsvfWriter.h"

namespace {

struct Written {
    std::string svf;
    std::string xsvf;
    std::string error;
    bool xsvfRefused = false;
};

Written convert(std::string_view bytes, size_t blockSize, uint64_t spillAbove) {
    Written written;
    auto toSvf = [&written](std::string_view text) {
        written.svf += text;
        return true;
    };
    auto toXsvf = [&written](std::string_view text) {
        written.xsvf += text;
        return true;
    };
    kelsvfwriter::PortableSvfWriter svf({}, toSvf);
    kelxsvf::XsvfWriter xsvf({}, toXsvf);
    auto reader = kelxsvf::XsvfReader::fromBytes(bytes, blockSize);
    reader.setSpillThreshold(spillAbove);
    kelsvfreader::Statement statement;
    while (reader.next(statement)) {
        KEL_FUZZ_CHECK(statement.position.line < bytes.size(), "a statement beyond the file");
        if (statement.scan != nullptr) {
            const auto& scan = *statement.scan;
            KEL_FUZZ_CHECK(scan.tdi.size() == scan.bitCount, "TDI of the wrong size");
            KEL_FUZZ_CHECK(!scan.tdoGiven || scan.tdo.size() == scan.tdi.size(),
                           "TDO of the wrong size");
        }
        svf.write(statement);
        xsvf.write(statement);
    }
    if (reader.failed()) {
        KEL_FUZZ_CHECK(!reader.error().message.empty(), "an error without a message");
        written.error = reader.error().message;
    }
    svf.finish();
    xsvf.finish();
    written.xsvfRefused = xsvf.errorCount() != 0;
    return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t blockSize = 1 + data[0] % 16;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Every other input read in blocks also spills every value: it must write the same.
    const uint64_t spillAbove = (data[0] & 0x10) != 0 ? 0 : kelsvfreader::kInMemoryBytes;
    const Written whole = convert(bytes, 0, kelsvfreader::kInMemoryBytes);
    const Written cut = convert(bytes, blockSize, spillAbove);
    KEL_FUZZ_CHECK(whole.svf == cut.svf && whole.xsvf == cut.xsvf && whole.error == cut.error,
                   "block boundaries or spilled values change what is read");

    auto svfReader = kelsvfreader::SvfReader::fromString(whole.svf);
    kelsvfreader::Statement statement;
    while (svfReader.next(statement)) {
    }
    KEL_FUZZ_CHECK(!svfReader.failed(),
                   "the portable SVF does not read back: " + svfReader.error().message);

    if (!whole.xsvfRefused) {
        auto xsvfReader = kelxsvf::XsvfReader::fromBytes(whole.xsvf);
        while (xsvfReader.next(statement)) {
        }
        KEL_FUZZ_CHECK(!xsvfReader.failed(),
                       "the XSVF written does not read back: " + xsvfReader.error().message);
    }
    return 0;
}
