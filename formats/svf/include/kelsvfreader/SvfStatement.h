// What the SVF reader gives back: one fully resolved statement at a time, with every value that
// SVF lets a file leave out (scan vectors, run and end states) already filled in, plus the notes
// and the error that reading produced, each with its place in the text.
#ifndef KELSVFREADER_SVF_STATEMENT_H
#define KELSVFREADER_SVF_STATEMENT_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kel/TapStateMachine.h"
#include "kelsvfreader/Bits.h"
#include "kelsvfreader/DigitLines.h"

namespace kelsvfreader {

using KelPluginInterface::TapState;

// A place in the text: line and column both count from 1. A line ends at LF, CR LF or a bare
// CR; columns count bytes (a tab is one column).
struct Position {
    uint64_t line = 0;
    uint64_t column = 0;
};

enum class Keyword : uint8_t {
    EndDR,
    EndIR,
    Frequency,
    HDR,
    HIR,
    PIO,
    PIOMap,
    RunTest,
    SDR,
    SIR,
    State,
    TDR,
    TIR,
    TRST,
};

// The six scan statements. Each keeps its own values in force: an omitted TDI, MASK or SMASK of
// one is carried over only from the last statement of the same kind.
enum class ScanKind : uint8_t { HIR, HDR, TIR, TDR, SIR, SDR };
constexpr int kScanKindCount = 6;

class ScanValuesStore;

// A scan statement's length and vectors after resolution, each of bitCount bits (see Bits.h:
// long ones may lie in a spill file, carried-over ones share the earlier statement's store).
class ScanValues {
  public:
    uint32_t bitCount = 0;
    Bits tdi;  // given, or carried over (same length)
    Bits tdo;  // empty unless tdoGiven: TDO is compared only when given
    // The lines of TDI's digits when the statement that wrote it spread it over several lines
    // (carried over with TDI), else null: the digits lie on the statement's line.
    std::shared_ptr<const DigitLines> tdiLines;
    // What this statement wrote itself; the rest was resolved.
    bool tdiGiven = false;
    bool tdoGiven = false;
    bool maskGiven = false;
    bool smaskGiven = false;
    // True when bitCount differs from the previous statement of the same kind (the first
    // statement of a kind follows an implicit length of 0).
    bool lengthChanged = false;

    // Whether the replay compares TDO for this statement (with mask()).
    bool checksTdo() const { return tdoGiven; }

    // MASK and SMASK in force: given, carried over (same length), or all ones (Bits::ones,
    // which costs no memory).
    const Bits& mask() const { return resolved(mask_, maskAllOnes_); }
    const Bits& smask() const { return resolved(smask_, smaskAllOnes_); }
    // True when the vector is all ones because no MASK (SMASK) was given since the length
    // changed; a given all-ones value reads false.
    bool maskAllOnes() const { return maskAllOnes_; }
    bool smaskAllOnes() const { return smaskAllOnes_; }

    // For readers of other formats, which resolve the vectors themselves: MASK (SMASK) as
    // given, or all ones when `bits` is empty.
    void setMask(Bits bits) {
        maskAllOnes_ = bits.empty();
        mask_ = std::move(bits);
    }
    void setSmask(Bits bits) {
        smaskAllOnes_ = bits.empty();
        smask_ = std::move(bits);
    }

  private:
    friend class ScanValuesStore;
    const Bits& resolved(Bits& bits, bool allOnes) const {
        if (allOnes && bits.size() != bitCount) {
            bits = Bits::ones(bitCount);
        }
        return bits;
    }

    mutable Bits mask_;
    mutable Bits smask_;
    bool maskAllOnes_ = false;
    bool smaskAllOnes_ = false;
};

// A time of RUNTEST in whole microseconds, rounded up when the text holds a finer fraction
// (2.5E-07 SEC reads as 1 us, inexact). Times reach 2^64-1 us; a longer one is an error.
struct Time {
    uint64_t microseconds = 0;
    bool exact = true;
};

enum class RunClock : uint8_t { TCK, SCK };

// RUNTEST [run_state] [run_count TCK|SCK] [min_time SEC [MAXIMUM max_time SEC]]
//         [ENDSTATE end_state], with a count or a minimum time (or both).
struct RunTest {
    // Resolved: given, else the run state in force (IDLE at the start of a file).
    TapState runState = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
    // Resolved: given; else the run state when this statement names one; else the end state in
    // force (IDLE at the start). Both become the states in force for later RUNTESTs.
    TapState endState = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;
    bool runStateGiven = false;
    bool endStateGiven = false;

    bool hasCount = false;
    uint64_t count = 0;
    RunClock clock = RunClock::TCK;

    bool hasMinTime = false;
    Time minTime;
    bool hasMaxTime = false;
    Time maxTime;
};

enum class TrstMode : uint8_t { On, Off, Z, Absent };

struct Statement {
    Keyword keyword = Keyword::State;
    Position position;  // the keyword's first character
    Position end;       // the ';'

    // ENDIR, ENDDR: the end state (RESET, IDLE, DRPAUSE or IRPAUSE).
    // STATE: the stable state the statement ends in (the last state named).
    TapState state = KelPluginInterface::KELJTAG_TEST_LOGIC_RESET;
    // STATE: every state named, in order; the last one equals `state`. One state means "go
    // there by the standard shortest path"; several spell out the path clock by clock (each a
    // one-clock successor of the one before, or RESET, which is reachable from anywhere). The
    // first state of a path must follow the TAP's current state: that is for the player to
    // check, the reader does not know where the TAP is.
    std::vector<TapState> path;

    // FREQUENCY: hasFrequency false for "FREQUENCY;" (the player's full speed).
    bool hasFrequency = false;
    double hertz = 0;

    TrstMode trst = TrstMode::Off;

    RunTest run;  // RUNTEST

    // HIR, HDR, TIR, TDR, SIR, SDR: the values in force after this statement. Points into the
    // reader and stays valid until the next call of next().
    ScanKind scanKind = ScanKind::SDR;
    const ScanValues* scan = nullptr;

    // PIO: the vector's letters (H, L, Z, U, D, X), upper-cased, white space removed.
    // PIOMAP: the words between the parentheses, upper-cased, joined by single spaces
    // ("IN A OUT B").
    std::string pio;
};

// The notes: well-formed SVF that players are known to read differently, or not at all.
enum class NoteKind : uint8_t {
    ExtraHexDigits,               // more hex digits than the length needs (the extra ones are zero)
    LargeCount,                   // a length or count of 2^31 or more: players read them as signed
    SeveralStatementsOnLine,      // a statement begins on the line where the previous one ended
    NoLineEndAfterLastStatement,  // the file ends right after the last ';': a player drops it
    PioUsed,                      // PIO or PIOMAP: players refuse or ignore them
    RunStateWithoutEndState,      // RUNTEST without ENDSTATE where players resolve the end state
                                  // differently (a run state other than IDLE is involved)
    CountInRealForm,              // a length or count written with a '.' or an exponent
    SckClock,                     // RUNTEST counts SCK: players refuse it or do not clock TCK
    SinglePrecisionTime,          // a minimum time a player reading it as a float waits differently
    ScanEndsInReset,              // ENDIR RESET / ENDDR RESET: a player aborts on the next scan
    MaskLostAfterUncheckedScan,   // TDO with a carried MASK after a scan without TDO: a player
                                  // has cleared that MASK and compares no bit
};

struct Note {
    NoteKind kind = NoteKind::ExtraHexDigits;
    Position position;
    std::string text;
    // ExtraHexDigits: the digits written, leading zeros included (0 for the other kinds). Whether
    // they pass the value's whole bytes matters to a player that reads them into bytes.
    uint64_t hexDigits = 0;
};

// Why reading stopped before the end of the file.
struct Error {
    Position position;
    std::string message;
    // The machine failed, not the text (a long value could not be kept: a full disk): tools
    // treat it as an input they cannot read.
    bool system = false;
};

// "SDR", "RUNTEST", ... as the keyword is written in SVF.
const char* keywordName(Keyword keyword);
// "HIR", ... "SDR".
const char* scanKindName(ScanKind kind);
// "RESET", "IDLE", "DRSELECT", ... "IRUPDATE": the SVF name of any of the sixteen states.
const char* svfStateName(TapState state);
// A short name of a note kind for reports ("extra-hex-digits").
const char* noteKindName(NoteKind kind);

}  // namespace kelsvfreader

#endif  // KELSVFREADER_SVF_STATEMENT_H
