// Plays an SVF file on a simulated chain and reports what it does to each device.
//
//   kelsvf::check::ChainPlayer player(chain, sink, {.frequencyHz = 1e6});
//   kelsvfreader::SvfReader reader(kelsvfreader::openFileSource(path, why));
//   while (player.playNext(reader)) {}          // or player.playAll(reader)
//   const kelsvf::check::PlaySummary summary = player.summary();
//
// The chain is kelsim's: devices with their own TAP controllers, IRs and data registers, fed
// one statement at a time, so memory stays bounded by the largest scan. How each statement
// plays, as the common players play it:
// - The TAP starts in Test-Logic-Reset (players reset it before a file). Moves between states
//   take the shortest TMS path; from Pause-DR/IR to its shift state that is Exit2 and on
//   shifting, without update or capture, so one scan may span several statements. A move to
//   Test-Logic-Reset is five clocks with TMS high; "STATE RESET;" clocks them even when the
//   TAP is there already. A STATE path clocks once per state named; each must follow the one
//   before in one clock (RESET may come anywhere). TMS moves drive TDI low.
// - SIR/SDR: the header in force, the statement's bits and the trailer in force are one scan,
//   header first out of TDI. The TAP moves to Shift-IR/DR, shifts the whole scan, leaves on its
//   last bit and moves to the ENDIR/ENDDR state in force.
// - RUNTEST: to the run state, the TCK clocks there (SCK counts clock nothing), the minimum
//   time, then to the end state. MAXIMUM is not kept.
// - TRST ON resets every TAP controller without a clock; the other modes change nothing.
//   FREQUENCY lowers the replay's clock rate while it is in force; PIO and PIOMAP do nothing.
//
// What a scan must fit: an IR scan exactly the sum of the IR lengths. A DR scan the registers
// the devices' instructions select: BYPASS (the all-ones instruction) 1 bit; after a reset the
// IDCODE register (32 bits) of a device with a known IDCODE, BYPASS of a device known to have
// none (IDCODE 0), a register of unknown length for a device whose IDCODE is not given; any
// other instruction a register of unknown length, at least 1 bit. With one such device it
// takes the bits the others leave; with several, the split cannot be known: all but the one
// nearest TDO are taken to be 1 bit long (a warning says so), which still reports the same
// updates for files that have the same effect. A scan that continues a shift from a pause may
// be of any length: the registers keep the last bits shifted. A header or trailer that ends
// inside a device (of known length) is an error too: swapped HIR and TIR fit the length.
//
// TDO is compared where the simulation knows what the devices capture: BYPASS, IDCODE, the two
// lowest IR bits (01), and bits the scan itself shifts through (see TdoCheck).
//
// Findings: errors for a scan that does not fit, a TDO mismatch, a STATE path that cannot be
// clocked and a statement the reader refuses (reading stops there); warnings for the reader's
// notes (hex digits beyond the value's whole bytes only: leading zero digits within them are
// read alike by every player) and for an assumed DR split.
#ifndef KELSVF_CHECK_CHAIN_PLAYER_H
#define KELSVF_CHECK_CHAIN_PLAYER_H

#include <memory>

#include "ChainDescription.h"
#include "PlayEvents.h"
#include "StatementSource.h"
#include "kelsvfreader/SvfReader.h"

namespace kelsvf::check {

struct PlayOptions {
    double frequencyHz = 1e6;  // the clock rate the replay time assumes; above 0
};

class ChainPlayer {
  public:
    // `chain` must hold at least one device; `sink` must outlive the player.
    ChainPlayer(const ChainDescription& chain, PlaySink& sink, PlayOptions options = {});
    ~ChainPlayer();
    ChainPlayer(const ChainPlayer&) = delete;
    ChainPlayer& operator=(const ChainPlayer&) = delete;

    // Reads the next statement from `reader`, reports its notes and plays it. False at the end
    // of the text, or when reading stopped at an error (reported as a finding at the reader's
    // place) or memory ran out (a finding too); nothing more is played then. Throws nothing.
    bool playNext(kelsvfreader::SvfReader& reader);
    bool playNext(StatementSource& reader);
    // Plays the rest of the text and returns the summary.
    PlaySummary playAll(kelsvfreader::SvfReader& reader);
    PlaySummary playAll(StatementSource& reader);

    // Clocks, times and counts so far.
    PlaySummary summary() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_CHAIN_PLAYER_H
