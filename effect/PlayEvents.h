// What a ChainPlayer reports while it plays an SVF file on a simulated chain: every register a
// device latches, every TDO comparison, every finding, and at the end a summary of clocks and
// times. Reported in the order of the file, through a PlaySink.
#ifndef KELSVF_CHECK_PLAY_EVENTS_H
#define KELSVF_CHECK_PLAY_EVENTS_H

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "BitValue.h"
#include "kelsvfreader/DigitLines.h"

namespace kelsvf::check {

// Clock counts and waits, exact whatever their size: a file may hold any number of counts of up
// to 2^64-1 each.
__extension__ typedef unsigned __int128 Count;
// The decimal digits of a count.
std::string countText(Count count);

// A device latched a register: at Update-IR every device its new instruction; at Update-DR
// every device whose instruction selects a register other than BYPASS (IDCODE included) its
// whole content: every bit shifted into it since the last Capture-DR, across any number of
// scans continued from Pause-DR, and the captured bits that no shift pushed out (0 where the
// capture is the device's own). A register of unknown length holds every bit the others
// leave, so an update without a shift gives it 0 bits. Devices in BYPASS report nothing for a
// DR update.
// Where the bits of an update came from: from bit `firstBit` of the value on (up to the next
// source's), the statement at `line` shifted them; line 0: captured, not shifted.
struct ValueSource {
    uint64_t firstBit = 0;
    uint64_t line = 0;
};

// Bits of an update that a statement wrote over several lines: bits [firstBit, firstBit +
// bitCount) of the value are bits tdiBit.. of that statement's TDI, whose digits `lines` maps to
// their lines (valid during the sink's call; keep it with shared_from_this()).
struct ValueDigitLines {
    uint64_t firstBit = 0;
    uint64_t bitCount = 0;
    uint64_t tdiBit = 0;
    const kelsvfreader::DigitLines* lines = nullptr;
};

struct DeviceUpdate {
    // The statement whose bits the update latches: the last one that shifted since the
    // capture, else the one whose TAP moves reached the Update state.
    uint64_t line = 0;
    uint32_t device = 0;
    bool ir = false;
    uint64_t bitCount = 0;
    // bitCount bits in the bit-buffer convention (bit i in bit i % 8 of byte i / 8; bit 0 the
    // first shifted in of those kept, nearest TDO); valid during the sink's call only.
    BitValue value;
    // The selected register's name when the chain knows it ("IDCODE"); empty when not.
    std::string_view registerName;
    // DR updates: the statements whose bits the value holds, lowest bits first (empty for IR
    // updates, whose line is the only one).
    std::span<const ValueSource> sources;
    // An IR update of a device with a BSDL file: the names its opcodes give the instruction
    // ("SAMPLE/PRELOAD"), empty when none has it. A DR update: the device's instruction then,
    // and whether a reset selected the register.
    std::string_view instruction = {};
    uint64_t instructionCode = 0;
    bool afterReset = false;
    // DR updates: where a statement wrote the bits over several lines, lowest bits first.
    std::span<const ValueDigitLines> digitLines = {};
};

// A scan that gave TDO (in the SIR/SDR statement, or in its header or trailer), compared.
// The vectors cover the whole scan (header, data, trailer: bit 0 is the first out of TDO);
// the parts that give no TDO are 0 in `expected` and in `mask`. Valid during the call only.
// A scan continued from a pause belongs to the capture of the scan it continues: its first bit
// is bit `captureOffset` of what the registers took since that capture.
// Only bits whose capture the player knows are compared: BYPASS (0), IDCODE, the two lowest
// bits of each IR (01), bits pushed through registers of known length since the capture. What
// a device captures in the rest of its IR or in a register of unknown length is its own.
struct TdoCheck {
    uint64_t line = 0;
    bool ir = false;
    bool passed = true;
    uint64_t bitCount = 0;
    uint64_t mismatchedBits = 0;  // bits under the mask that differ
    uint64_t firstMismatch = 0;   // the lowest of them, when any
    uint64_t unknownBits = 0;     // bits under the mask not compared: their capture is unknown
    uint64_t comparedBits = 0;    // bits under the mask that were compared
    bool idcode = false;          // a DR scan that brings out a device's IDCODE register
    uint64_t captureNumber = 0;   // the Capture-DR (Capture-IR) it follows, counted from 1
    uint64_t captureOffset = 0;
    BitValue expected;
    BitValue mask;  // empty: every bit is compared
    BitValue actual;
};

// Info: what the file does that is legal but worth saying (a chain measurement, a hint at a
// wrong chain); counted apart from errors and warnings.
enum class Severity : uint8_t { Error, Warning, Info };

struct Finding {
    Severity severity = Severity::Error;
    uint64_t line = 0;
    uint64_t column = 0;  // 0 when the finding is about a whole statement's effect
    // A short stable name: one of the kinds below, or a reader note's name
    // ("extra-hex-digits", ...).
    std::string kind;
    std::string text;
};

// Kinds of the player's own findings.
inline constexpr char kScanDoesNotFit[] = "scan-does-not-fit";
inline constexpr char kTdoMismatch[] = "tdo-mismatch";
inline constexpr char kReaderError[] = "reader-error";
inline constexpr char kStatePath[] = "state-path";
inline constexpr char kDrSplitAssumed[] = "dr-split-assumed";
inline constexpr char kChainMeasurement[] = "chain-measurement";  // info
inline constexpr char kChainHint[] = "chain-hint";                // info
inline constexpr char kTrstAbsent[] = "trst-after-absent";
inline constexpr char kStateThroughShift[] = "state-through-shift";
inline constexpr char kMaximumBelowMinimum[] = "maximum-below-minimum";
inline constexpr char kNoStatement[] = "no-statement";
inline constexpr char kUnknownInstruction[] = "unknown-instruction";

// An instruction loaded into a device that erases or writes what the part keeps without power
// (see changesNonVolatileState), known by the device's BSDL file.
struct NonVolatileLoad {
    uint32_t device = 0;
    std::string instruction;
    uint64_t count = 0;  // Update-IRs that loaded it
    uint64_t firstLine = 0;
    uint64_t lastLine = 0;
};

struct PlaySummary {
    std::array<Count, 16> clocksInState{};  // indexed by TapState
    Count totalClocks = 0;
    Count minimumWaitMicroseconds = 0;  // the sum of the RUNTEST minimum times
    // The time of the RUNTESTs in each run state: their clocks at the FREQUENCY in force (else
    // frequencyHz) or their minimum time, whichever is longer.
    std::array<double, 16> runMicroseconds{};
    // The frequency the replay time assumes (the --frequency given), and the shortest time a
    // replay takes at it: every clock at that frequency (or at a file's lower FREQUENCY while
    // that is in force), plus every minimum time.
    double frequencyHz = 0;
    double replaySeconds = 0;
    // The lowest of the file's FREQUENCY values that was in force for some clock below
    // frequencyHz; 0 when every clock ran at frequencyHz.
    double lowestFileFrequencyHz = 0;

    uint64_t statements = 0;
    uint64_t bytesRead = 0;
    uint64_t irUpdates = 0;  // DeviceUpdate events
    uint64_t drUpdates = 0;
    uint64_t tdoChecks = 0;
    uint64_t tdoFailures = 0;
    uint64_t tdoUncompared = 0;  // TDO checks that compared no bit
    uint64_t errors = 0;         // findings
    uint64_t warnings = 0;
    uint64_t infos = 0;
    bool readToEnd = false;  // the reader reached the end of the text without an error
    std::vector<NonVolatileLoad> nonVolatile;  // in the order first loaded
};

class PlaySink {
  public:
    virtual ~PlaySink() = default;
    virtual void deviceUpdate(const DeviceUpdate& /*update*/) {}
    virtual void tdoCheck(const TdoCheck& /*check*/) {}
    virtual void finding(const Finding& /*finding*/) {}
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_PLAY_EVENTS_H
