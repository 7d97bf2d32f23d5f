// The state of one XSVF reader: what a player carries from command to command, and the
// statements a command gave that are not handed out yet.
#ifndef KELXSVF_READER_IMPL_H
#define KELXSVF_READER_IMPL_H

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "ByteInput.h"
#include "kelsvfreader/SpillFile.h"
#include "kelxsvf/XsvfReader.h"

namespace kelxsvf {

using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;
using kelsvfreader::TapState;

// How a data scan ends: a step (XSDR, XSDRTDO, XSDRINC) as XRUNTEST and XENDDR say, a piece
// (XSDRB, XSDRC) in Shift-DR, the last piece (XSDRE) as XENDDR says but without XRUNTEST.
enum class ScanEnd : uint8_t { Step, Piece, LastPiece };

struct XsvfReader::Impl {
    explicit Impl(std::unique_ptr<kelsvfreader::TextSource> source) : in(std::move(source)) {}

    struct Pending {
        Statement statement;
        ScanValues values;  // SIR, SDR
    };

    bool next(Statement& statement);
    void handOut(Pending& pending, Statement& statement);

    // One command into the queue; false on an error or at XCOMPLETE.
    bool readCommand();
    bool readScanCommand(uint8_t opcode);
    bool readIncrement();
    bool readState();
    bool readWait(bool withClocks);
    bool readTrst();
    bool readComment();
    bool readEndState(bool ir);
    bool complete();

    // A vector of `bits` in the reader's order (the file has it most significant byte first).
    bool readVector(uint64_t bits, std::vector<uint8_t>& vector);
    // The same as Bits, spilled when long; `ones` tells whether any bit is set.
    bool readValue(uint64_t bits, kelsvfreader::Bits& value, bool& ones);
    bool truncated();
    bool fail(std::string message);
    void note(const char* kind, std::string text);

    void pushEnd(bool ir, TapState state);
    void pushScan(bool ir, uint32_t bits, kelsvfreader::Bits tdi, const kelsvfreader::Bits* tdo);
    // `compared`: the scan has a TDO, the expected TDO under the mask in force. A TDO form gives
    // one whatever the mask (a mask of zeros compares no bit of it); XSDR and XSDRINC compare
    // only where the mask has a bit; XSDRB/XSDRC/XSDRE compare nothing.
    void pushDataScan(kelsvfreader::Bits tdi, ScanEnd end, bool compared);
    void pushRunTest(TapState run, TapState end, bool hasCount, uint64_t count, bool hasTime,
                     uint64_t microseconds);
    Pending& push(kelsvfreader::Keyword keyword);

    ByteInput in;
    // Values of more bytes than this go to the spill file, opened when first needed.
    uint64_t spillAbove = kelsvfreader::kInMemoryBytes;
    std::shared_ptr<kelsvfreader::SpillFile> spill;
    std::vector<XsvfNote> notes;
    kelsvfreader::Error error;
    bool failed = false;
    bool finished = false;
    uint64_t statementCount = 0;

    // The command being read.
    uint64_t commandOffset = 0;
    const char* commandName = "";

    // What a player carries.
    uint32_t sdrSize = 0;
    kelsvfreader::Bits tdoMask;   // empty: zeros
    kelsvfreader::Bits expected;  // empty: zeros
    bool maskHasBits = false;
    bool maskSinceSize = true;  // an XTDOMASK came since the last XSDRSIZE
    uint32_t runTest = 0;
    TapState endIR = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;  // XENDIR
    TapState endDR = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;  // XENDDR
    std::vector<uint8_t> addressMask;
    std::vector<uint8_t> dataMask;
    uint64_t dataBits = 0;
    uint32_t incrementsLeft = 0;
    std::vector<uint8_t> incrementTdi;
    std::vector<TapState> path;  // XSTATEs through unstable states, not handed out yet
    uint64_t pathOffset = 0;

    // What the statements handed out (and queued) have put in force.
    std::array<ScanValues, kelsvfreader::kScanKindCount> scans;
    kelsvfreader::StatesInForce states;
    std::array<TapState, 2> queuedEnd{KelPluginInterface::KELJTAG_RUN_TEST_IDLE,
                                      KelPluginInterface::KELJTAG_RUN_TEST_IDLE};  // DR, IR
    // Where the queued statements leave the TAP (a player starts from Test-Logic-Reset).
    TapState queuedTap = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
    std::deque<Pending> queue;

    bool repeatNoted = false;
    bool dialectNoted = false;
    bool tdoFormsNoted = false;
};

}  // namespace kelxsvf

#endif  // KELXSVF_READER_IMPL_H
