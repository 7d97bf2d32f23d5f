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

namespace kelsvf::check {

// A device latched a register: at Update-IR every device its new instruction; at Update-DR
// every device whose instruction selects a register other than BYPASS (IDCODE included) the
// bits shifted into it. Devices in BYPASS report nothing for a DR update.
struct DeviceUpdate {
    uint64_t line = 0;  // the statement whose TAP moves reached the Update state
    uint32_t device = 0;
    bool ir = false;
    uint32_t bitCount = 0;
    // (bitCount + 7) / 8 bytes in the bit-buffer convention (bit i in bit i % 8 of byte i / 8;
    // bit 0 the last shifted in, nearest TDO); valid during the sink's call only.
    std::span<const uint8_t> value;
    uint64_t valueHash = 0;  // 64-bit FNV-1a of the value's bytes
    // An IR update of a device with a BSDL file: the names its opcodes give the instruction
    // ("SAMPLE/PRELOAD"), empty when none has it; valid during the call only.
    std::string_view instruction = {};
    // A DR update: the device's instruction then, and whether a reset selected its register.
    uint64_t instructionCode = 0;
    bool afterReset = false;
};

// A scan that gave TDO (in the SIR/SDR statement, or in its header or trailer), compared.
// The vectors cover the whole scan (header, data, trailer: bit 0 is the first out of TDO);
// the parts that give no TDO are 0 in `expected` and in `mask`. Valid during the call only.
// Only bits whose capture the simulation knows are compared: BYPASS (0), IDCODE after a reset,
// the two lowest bits of each IR (01), bits shifted in by the scan itself. What a device
// captures in the rest of its IR or in a register of unknown instruction is its own.
struct TdoCheck {
    uint64_t line = 0;
    bool ir = false;
    bool passed = true;
    uint64_t bitCount = 0;
    uint64_t mismatchedBits = 0;  // bits under the mask that differ
    uint64_t firstMismatch = 0;   // the lowest of them, when any
    uint64_t unknownBits = 0;     // bits under the mask not compared: their capture is unknown
    bool idcode = false;          // a DR scan that brings out a device's IDCODE register
    std::span<const uint8_t> expected;
    std::span<const uint8_t> mask;  // empty: every bit is compared
    std::span<const uint8_t> actual;
};

enum class Severity : uint8_t { Error, Warning };

struct Finding {
    Severity severity = Severity::Error;
    uint64_t line = 0;
    uint64_t column = 0;  // 0 when the finding is about a whole statement's effect
    // A short stable name: "scan-does-not-fit", "tdo-mismatch", "reader-error",
    // "state-path", "dr-split-assumed", or a reader note's name ("extra-hex-digits", ...).
    std::string kind;
    std::string text;
};

// Kinds of the player's own findings.
inline constexpr char kScanDoesNotFit[] = "scan-does-not-fit";
inline constexpr char kTdoMismatch[] = "tdo-mismatch";
inline constexpr char kReaderError[] = "reader-error";
inline constexpr char kStatePath[] = "state-path";
inline constexpr char kDrSplitAssumed[] = "dr-split-assumed";
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
    std::array<uint64_t, 16> clocksInState{};  // indexed by TapState, from the TAP controllers
    uint64_t totalClocks = 0;
    // The sum of the RUNTEST minimum times (saturating at 2^64-1).
    uint64_t minimumWaitMicroseconds = 0;
    // The frequency the replay time assumes (the --frequency given), and the shortest time a
    // replay takes at it: every clock at that frequency (or at a file's lower FREQUENCY while
    // that is in force), plus every minimum time.
    double frequencyHz = 0;
    double replaySeconds = 0;

    uint64_t statements = 0;
    uint64_t bytesRead = 0;
    uint64_t irUpdates = 0;  // DeviceUpdate events
    uint64_t drUpdates = 0;
    uint64_t tdoChecks = 0;
    uint64_t tdoFailures = 0;
    uint64_t errors = 0;  // findings
    uint64_t warnings = 0;
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
