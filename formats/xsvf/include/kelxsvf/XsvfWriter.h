// Writes XSVF from the statements a reader hands out, in the published command set only, so
// that every XSVF player can play it:
// - XREPEAT first (the option's retries; 0 by default: a failed check fails at once);
// - headers and trailers folded into each scan, since XSVF has none;
// - SIR as XSIR (up to 255 bits) or XSIR2; XSIR compares no TDO, so an SIR's TDO is refused;
// - SDR as XSDR, after an XTDOMASK of zeros when nothing is compared, or as XSDRTDO under its
//   mask; XTDOMASK is written again after every XSDRSIZE, as players read it at that size;
// - a RUNTEST in Run-Test/Idle right after a scan becomes that scan's XRUNTEST (n clocks and n
//   microseconds, n enough for both the clocks, at the frequency in force, and the time); any
//   other becomes XWAIT (time only), in the state it names; XRUNTEST is 0 for the other scans;
// - a scan longer than maxScan is cut into XSDRB/XSDRC/XSDRE (XSDRTDOB/C/E where compared: a
//   common player compares none of those bits, a warning says so) or XSIRs through Pause-IR;
// - ENDIR/ENDDR RESET, or the other kind's pause, as Run-Test/Idle with an XSTATE after the scan;
// - XCOMPLETE at the end.
// FREQUENCY, TRST, PIO and PIOMAP cannot be said: errors, or warnings with dropUnsupported.
#ifndef KELXSVF_XSVF_WRITER_H
#define KELXSVF_XSVF_WRITER_H

#include <cstdint>
#include <span>
#include <vector>

#include "kelsvfwriter/ScanBits.h"
#include "kelsvfwriter/StatementWriter.h"

namespace kelxsvf {

using kelsvfreader::Statement;
using kelsvfwriter::OutputSink;
using kelsvfwriter::WriterOptions;

class XsvfWriter : public kelsvfwriter::StatementWriter {
  public:
    XsvfWriter(WriterOptions options, OutputSink sink);

  private:
    using TapState = kelsvfreader::TapState;
    using Bits = kelsvfreader::BitRope;

    // A single scan held back until the next statement shows whether a RUNTEST follows it.
    struct HeldScan {
        bool active = false;
        bool ir = false;
        TapState end = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
        uint64_t bits = 0;
        Bits tdi;  // shared with the statements' values
        bool checks = false;
        Bits tdo;
        Bits mask;
    };

    void writeStatement(const Statement& statement) override;
    void writeEnd() override;

    void takeScan(const Statement& statement);
    void writeCutIr(const kelsvfwriter::FullScan& scan, TapState end, uint64_t piece);
    void writeCutDr(const kelsvfwriter::FullScan& scan, TapState end, uint64_t piece);
    void writeHeld(const Statement* runTest);
    uint64_t foldedRunTest(const Statement& statement) const;
    void writeWait(const Statement& statement);
    void writeState(const Statement& statement);

    void opcode(uint8_t code);
    void number(uint64_t value, int size);
    void vector(const Bits& bits, uint64_t bitCount);
    void setRunTest(uint32_t value);
    void setEndState(bool ir, TapState state);
    void setSize(uint64_t bits, const Bits& mask);
    void setMask(const Bits& mask, uint64_t bits);
    void keepMask(const Bits& mask);
    void writeSir(const Bits& tdi, uint64_t bits);
    void writeSdr(uint8_t plain, uint8_t checked, const Bits& tdi, const Bits& tdo,
                  const Bits& mask, uint64_t bits, bool checks);
    void stateAfterScan(bool ir, TapState end);

    kelsvfwriter::HeadersInForce headers_;
    TapState askedEnd_[2] = {KelPluginInterface::KELJTAG_RUN_TEST_IDLE,
                             KelPluginInterface::KELJTAG_RUN_TEST_IDLE};  // DR, IR
    // What the player has in force.
    uint32_t runTest_ = 0;
    TapState end_[2] = {KelPluginInterface::KELJTAG_RUN_TEST_IDLE,
                        KelPluginInterface::KELJTAG_RUN_TEST_IDLE};
    bool sizeWritten_ = false;
    bool cutCheckWarned_ = false;  // the lost checks of cut scans are said once
    uint64_t size_ = 0;
    Bits mask_;                                                    // at size_; empty for zeros
    TapState tap_ = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;  // where the TAP is
    HeldScan held_;
    kelsvfwriter::FullScan full_;
    kelsvfwriter::FullScan piece_;
};

// XSVF's limits: XSDRSIZE is read as a signed 32-bit number by players, XSIR2 takes 16 bits.
constexpr uint64_t kXsvfMaxDrScan = (uint64_t{1} << 31) - 1;
constexpr uint64_t kXsvfMaxIrScan = 65535;
constexpr uint64_t kXsvfMaxWait = (uint64_t{1} << 31) - 1;  // microseconds

}  // namespace kelxsvf

#endif  // KELXSVF_XSVF_WRITER_H
