// Writes SVF in the form on which the common players agree, with the effect of the statements
// it is given:
// - whole numbers, times in microseconds ("1500E-06 SEC"), no positive exponent;
// - RUNTEST always with its run state and ENDSTATE; counts below 2^31 and waits of at most
//   2000 s each, split into several RUNTESTs where needed;
// - one statement a line, every line ended (CR LF, as the plug-in writes);
// - TDI always written, TDO always with its MASK, no SMASK (it changes nothing on the chain);
// - headers and trailers, ENDIR/ENDDR and TRST written only where they change;
// - ENDIR/ENDDR RESET (a player aborts on the next scan) as IDLE and a STATE RESET after it;
// - a scan longer than maxScan (and any of 2^31 bits or more) cut into pieces joined through
//   Pause-DR/Pause-IR, with its header and trailer folded into the pieces.
#ifndef KELSVFWRITER_PORTABLE_SVF_WRITER_H
#define KELSVFWRITER_PORTABLE_SVF_WRITER_H

#include <optional>

#include "kelsvfwriter/ScanBits.h"
#include "kelsvfwriter/StatementWriter.h"

namespace kelsvfwriter {

class PortableSvfWriter : public StatementWriter {
  public:
    PortableSvfWriter(WriterOptions options, OutputSink sink);

  private:
    using TapState = kelsvfreader::TapState;

    void writeStatement(const Statement& statement) override;
    void writeEnd() override {}

    void writeScan(const Statement& statement);
    void writeWholeScan(bool ir, const ScanValues& body, TapState end);
    void writeCutScan(bool ir, const ScanValues& body, TapState end, uint64_t piece);
    void writeScanLine(const char* keyword, const FullScan& scan);
    void writeHex(const BitRope& bits, uint64_t bitCount);
    void writeHeadersInForce(bool ir, bool empty);
    void writeHeader(const char* keyword, const ScanValues& values);
    void writeEndState(bool ir, TapState state);
    void writeRunTest(const Statement& statement);
    void writeState(const Statement& statement);

    HeadersInForce asked_;    // as the input set them
    HeadersInForce written_;  // as the output has said them
    TapState askedEnd_[2] = {KelPluginInterface::KELJTAG_RUN_TEST_IDLE,
                             KelPluginInterface::KELJTAG_RUN_TEST_IDLE};  // DR, IR
    TapState writtenEnd_[2] = {KelPluginInterface::KELJTAG_RUN_TEST_IDLE,
                               KelPluginInterface::KELJTAG_RUN_TEST_IDLE};
    std::optional<kelsvfreader::TrstMode> trst_;
    FullScan full_;
    FullScan piece_;
};

// The longest scan and count the portable form writes in one statement.
constexpr uint64_t kPortableMaxCount = (uint64_t{1} << 31) - 1;
constexpr uint64_t kPortableMaxWait = 2000000000;  // microseconds

}  // namespace kelsvfwriter

#endif  // KELSVFWRITER_PORTABLE_SVF_WRITER_H
