// The ChainPlayer's insides, shared by its files: the statement loop and TAP moves
// (ChainPlayer.cpp), the scans and the registers they fill (ScanPlay.cpp, DataRegisters.cpp)
// and the TDO comparison (TdoCompare.cpp).
#ifndef KELSVF_CHECK_PLAYER_IMPL_H
#define KELSVF_CHECK_PLAYER_IMPL_H

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "BitBuffer.h"
#include "BitValue.h"
#include "ChainPlayer.h"

namespace kelsvf::check {

using KelPluginInterface::TapState;

// What a device's instruction selects at a Capture-DR.
struct SelectedRegister {
    uint64_t length = 0;   // the elastic register's is known only at Update-DR
    bool elastic = false;  // of unknown length: takes the bits the others leave
    bool bypass = false;
    bool captureKnown = false;
    uint32_t capture = 0;     // the captured bits, when known (BYPASS 0, the IDCODE)
    bool assumed = false;     // of unknown length, taken as 1 bit beside the elastic one
    bool afterReset = false;  // unknown: IDCODE or BYPASS
    uint64_t instruction = 0;
    std::string_view name;
    uint32_t captureCare = 0xFFFFFFFFu;  // the capture's known bits (an IDCODE's X bits open)
    bool idcode = false;                 // the IDCODE register
};

// What a scan's TDO comparison found so far, block after block.
struct TdoTally {
    uint64_t mismatched = 0;
    uint64_t first = 0;
    uint64_t unknown = 0;  // bits under the mask whose value the simulation does not know
    uint64_t compared = 0;
};

struct DeviceState {
    uint64_t instruction = 0;
    bool selectedByReset = true;  // from a Test-Logic-Reset until the next Update-IR
};

struct ChainPlayer::Impl {
    Impl(const ChainDescription& chainDescription, PlaySink& sink, PlayOptions options);

    // --- ChainPlayer.cpp
    // Source: a StatementSource, or the SVF reader's (final: asked without virtual calls).
    template <typename Source>
    bool playNext(Source& reader);
    template <typename Source>
    void play(const kelsvfreader::Statement& statement, Source& reader);
    void reportNotes(const StatementSource& reader, const kelsvfreader::Statement* statement);
    // A held "run state carried over" note, reported when `statement` makes the players differ.
    void settleRunNote(const kelsvfreader::Statement& statement);
    void report(Severity severity, uint64_t column, const char* kind, std::string text);
    void playState(const kelsvfreader::Statement& statement);
    void playRunTest(const kelsvfreader::Statement& statement);
    void playTrst(const kelsvfreader::Statement& statement);
    // One TCK with TDI low, and what the state entered makes the devices do.
    void clockTms(bool tms);
    // The shortest path to `target`; nothing when the TAP is there.
    void moveTo(TapState target);
    void resetDevices();
    void finish();
    void addTime(Count clocks);
    Count totalClocks() const;

    // --- ShortScanPlay.cpp
    // The commonest scan, a short SDR from Run-Test/Idle back to it, with or without TDO,
    // played in one step; false, and nothing played, for any other.
    template <typename Source>
    bool playShortScan(const kelsvfreader::Statement& statement, const Source& reader);
    // Its capture and shift at once, then its update, where the selection is kept and a
    // register of unknown length takes what the others leave (the scan fits without a finding).
    void captureShift(const Bits& tdi, uint64_t bits);
    void updateShifted(uint64_t bits);

    // --- ScanPlay.cpp
    void playScan(bool ir, const kelsvfreader::Statement& statement, StatementSource& reader);
    // An IR scan that starts with a capture must fit the IRs.
    void checkIrScan(uint64_t total, uint64_t column);
    // An error when the scan's header or trailer ends inside a device of these lengths.
    void checkWholeDevices(const std::vector<uint64_t>& lengths, bool ir, uint64_t column);
    void captureIr();
    void updateIr();
    // The names of a device's instruction from its part ("" without one); a warning when the
    // part has no such opcode; counts the loads that change non-volatile state.
    std::string nameInstruction(size_t device, uint64_t instruction);

    // --- DataRegisters.cpp
    // Capture-DR: what each device's instruction selects, and, when a scan is on its way to
    // Shift-DR, whether it fits.
    void captureDr();
    // What every Capture-DR does to the bits shifted since the last one: gone, counted anew.
    void startDrCapture() {
        if (!drStream.empty()) {
            drStream = BitRope{};
        }
        drTail.clear();
        drTailBits = 0;
        drDigitLines.clear();
        ++drCaptureNumber;
        drCaptured = true;
    }
    // What each device's instruction selects: drSelected, elastic, the known registers'
    // lengths and captures. The same at every capture until an instruction changes, so kept
    // until then (selectionKept), with the captures of a path of known length (keptDrPath).
    void selectDataRegisters();
    SelectedRegister selectDataRegister(size_t device) const;
    // For messages: "device 0 BYPASS 1", "device 1 instruction 0x3a 1 or more".
    std::string registerPath(size_t device) const;
    void checkDrFit();
    // `count` bits (at most a block) of a scan into the DR path; when `tdo` is given, what
    // leaves at TDO goes there from its bit 0, and whether each bit is known into `known`. A
    // null `src` counts bits whose passage changes nothing the registers latch. The bits are
    // those of `src` from bit `srcStart` on.
    void shiftDr(const uint8_t* src, uint64_t count, uint8_t* tdo, uint8_t* known,
                 uint64_t srcStart = 0);
    // A register of unknown length keeps the bits shifted: slices of the scans, small ones
    // gathered so that a file of many short scans costs no piece per scan.
    void keepDrBits(const Bits& bits);
    void keepDrPiece(const Bits& bits);
    void flushDrTail();
    void updateDr();
    // The update event of `device`'s register, which latched `value` (valueSources and
    // valueDigitLines say where its bits came from).
    void reportDrUpdate(size_t device, uint64_t updateLine, const BitValue& value) {
        const SelectedRegister& selected = drSelected[device];
        ++counts.drUpdates;
        DeviceUpdate update{updateLine,  static_cast<uint32_t>(device),
                            false,       value.bitCount(),
                            value,       selected.name,
                            valueSources};
        update.instructionCode = selected.instruction;
        update.digitLines = valueDigitLines;
        update.afterReset = devices[device].selectedByReset;
        sink.deviceUpdate(update);
    }
    // valueSources for a register of `length` bits whose bit 0 is stream bit shiftedStart -
    // windowLength.
    void sourcesOf(uint64_t shiftedStart, uint64_t windowLength, uint64_t length);

    // --- TdoCompare.cpp
    // Before a scan with TDO: what a long scan's event will show as read.
    void startTdo(bool ir, uint64_t totalBits);
    // The block [first, first + count) of tdoBlock/knownBlock against the expected TDO.
    void compareBlock(uint64_t first, uint64_t count);
    // A DR scan of one block, from its capture, against the expected TDO and mask as the
    // statement holds them (a null mask: every bit compared), and its check reported.
    void checkWholeTdo(uint64_t bits, const uint8_t* expected, const uint8_t* mask);
    void reportTdo(bool ir, uint64_t totalBits, uint64_t captureOffset);

    ChainDescription chainDescription;
    PlaySink& sink;
    PlayOptions options;
    PlaySummary counts;
    bool finished = false;

    TapState state = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
    // The TAP's moves as tables, filled once: every clock takes one.
    static constexpr size_t kTapStates = 16;
    struct TmsPath {
        uint8_t tms = 0;  // bit i: TMS of clock i
        uint8_t length = 0;
    };
    std::array<std::array<TapState, 2>, kTapStates> successors{};
    std::array<std::array<TmsPath, kTapStates>, kTapStates> tmsPaths{};
    // The statement being played, kept so that its buffers are.
    kelsvfreader::Statement readStatement;
    std::array<Count, 16> clocks{};
    Count clocksSpent = 0;  // the sum of `clocks`, kept as they grow: asked after every statement
    std::vector<DeviceState> devices;

    uint64_t line = 0;         // of the statement being played
    double fileFrequency = 0;  // a FREQUENCY in force, 0 for none
    long double seconds = 0;   // the replay time so far
    // clocks / hertz of recent statements (clocks 0: unused, addTime never divides 0).
    struct TimeQuotient {
        Count clocks = 0;
        double hertz = 0;
        long double seconds = 0;
    };
    std::array<TimeQuotient, 8> timeQuotients{};
    bool trstAbsent = false;
    bool inScan = false;  // a scan statement is shifting (a STATE path shifts on its own)
    std::optional<Finding> heldRunNote;

    // The chain's IRs since the last Capture-IR.
    ShiftWindow irPath;
    uint64_t irLine = 0;  // the last statement that shifted them
    bool irShifted = false;
    // SIRs that started with a capture: their common length, for a hint at a wrong chain.
    uint64_t irScanLength = 0;
    bool irScanLengthsDiffer = false;
    uint64_t irMisfits = 0;
    uint64_t firstIrMisfitLine = 0;

    // The data registers since the last Capture-DR. Without a register of unknown length the
    // path is a window of known length; with one, every bit shifted is kept (the registers hold
    // all of them) and only the capture of the devices on its TDO side comes out of TDO.
    std::vector<SelectedRegister> drSelected;
    bool selectionKept = false;
    ShiftWindow keptDrPath;
    bool drSplitAssumed = false;  // registers of unknown length beside the elastic one
    std::optional<size_t> elastic;
    uint64_t knownDrBits = 0;  // the registers of known length together
    uint64_t tdoSideBits = 0;  // of those, the ones between the elastic register and TDO
    ShiftWindow drPath;        // without an elastic register: the whole path
    ShiftWindow drCapture;     // with one: the captures of the known registers
    // With one: every bit shifted since the capture, in drFirst when one scan shifted them
    // (as the reader holds them, no copy), else in drStream and drTail.
    Bits drFirst;
    BitRope drStream;
    std::vector<uint8_t> drTail;  // short scans' bits not yet in drStream
    uint64_t drTailBits = 0;
    uint64_t drShiftedBits = 0;
    uint64_t drLine = 0;
    bool drShifted = false;
    bool drCaptured = false;
    uint64_t drCaptureNumber = 0;
    uint64_t irCaptureNumber = 0;
    uint64_t irShiftedBits = 0;        // since the last Capture-IR
    bool idcodeCaptured = false;       // a device's IDCODE register took part in that capture
    std::vector<std::string> irNames;  // per device, for the IR updates being reported
    // The scan on its way to Shift-DR: its length, to check at the capture.
    std::optional<uint64_t> pendingDrBits;
    // An IR scan passed Capture-IR on its way to Shift-IR (else it continues one from Pause-IR).
    bool irCaptured = false;
    // The scan being played: its header and trailer lengths, and its parts for messages
    // ("HDR 1 + SDR 32 + TDR 2").
    uint64_t scanHeaderBits = 0;
    uint64_t scanTrailerBits = 0;
    uint64_t scanColumn = 0;
    uint64_t scanBodyBits = 0;
    bool scanIr = false;
    // "HDR 1 + SDR 32 + TDR 2".
    std::string scanParts() const;

    // The scan being shifted, and one block of it at a time: TDI, TDO and its known bits, the
    // expected TDO and mask. A scan of one block keeps them whole for its event.
    ScanParts scanTdi;
    ScanParts scanTdo;
    ScanParts scanMask;
    bool maskImplicit = false;  // the statement alone without a MASK: every bit compared
    std::vector<uint8_t> tdiBlock;
    std::vector<uint8_t> tdoBlock;
    std::vector<uint8_t> knownBlock;
    std::vector<uint8_t> expectedBlock;
    std::vector<uint8_t> maskBlock;
    const uint8_t* blockExpected = nullptr;
    const uint8_t* blockMask = nullptr;
    TdoTally tally;
    // A long scan's event: its vectors as ropes of the scan's slices.
    BitRope actualRope;
    BitRope expectedRope;
    BitRope maskRope;
    // One update's value: bytes for a short one, a slice of the stream for a long one.
    std::vector<uint8_t> valueBits;
    BitRope valueRope;
    std::vector<uint64_t> registerStarts;  // of an update, counted from TDO
    // The scans since the capture: the stream bit each began at, and its statement's line.
    std::vector<ValueSource> drSegments;
    std::vector<ValueSource> valueSources;  // of one update
    // The scans since the capture whose TDI spans several lines: the stream bit of that TDI's
    // bit 0, its length and its line map; and what of them one update holds.
    struct ScanDigitLines {
        uint64_t firstBit = 0;
        uint64_t bitCount = 0;
        std::shared_ptr<const kelsvfreader::DigitLines> lines;
    };
    std::vector<ScanDigitLines> drDigitLines;
    std::vector<ValueDigitLines> valueDigitLines;
    void digitLinesOf(int64_t firstStreamBit, uint64_t length);
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_PLAYER_IMPL_H
