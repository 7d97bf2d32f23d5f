// Plays an SVF file on a simulated chain and reports what it does to each device.
//
//   kelsvf::check::ChainPlayer player(chain, sink, {.frequencyHz = 1e6});
//   kelsvfreader::SvfReader reader(kelsvfreader::openFileSource(path, why));
//   while (player.playNext(reader)) {}          // or player.playAll(reader)
//   const kelsvf::check::PlaySummary summary = player.summary();
//
// The chain is the player's own model of the devices' TAP controllers, instruction registers
// and selected data registers, fed one statement at a time. How each statement plays, as the
// common players play it:
// - The TAP starts in Test-Logic-Reset (players reset it before a file). Moves between states
//   take the shortest TMS path; from Pause-DR/IR to its shift state that is Exit2 and on
//   shifting, without update or capture, so one scan may span several statements. A move to
//   Test-Logic-Reset is five clocks with TMS high; "STATE RESET;" clocks them even when the
//   TAP is there already. A STATE path clocks once per state named; each must follow the one
//   before in one clock (RESET may come anywhere); a clock in a shift state shifts a 0.
// - SIR/SDR: the header in force, the statement's bits and the trailer in force are one scan,
//   header first out of TDI. The TAP moves to Shift-IR/DR, shifts the whole scan, leaves on its
//   last bit and moves to the ENDIR/ENDDR state in force.
// - RUNTEST: to the run state, the TCK clocks there (SCK counts clock nothing), the minimum
//   time, then to the end state. MAXIMUM is only checked against the minimum.
// - TRST ON resets every TAP controller without a clock; the other modes change nothing (any
//   of them after TRST ABSENT is an error). FREQUENCY lowers the replay's clock rate while it
//   is in force; PIO and PIOMAP do nothing.
//
// The registers. At Capture-DR each device's instruction selects a register: BYPASS (the
// all-ones instruction) 1 bit; IDCODE 32 bits after a reset for a device with a known IDCODE,
// or by an instruction the chain description names (DeviceDescription::instructions, which
// give any register its length); BYPASS after a reset for a device known to have none
// (IDCODE 0); any other a register of unknown length. One register of unknown length takes
// every bit the others leave; with several, all but the one nearest TDO are taken as 1 bit (a
// warning). Between Capture-DR and Update-DR the registers take every bit shifted, across any
// number of scans continued from Pause-DR and RUNTESTs there, and every Update-DR reports each
// non-BYPASS register whole (DeviceUpdate), also when nothing was shifted.
//
// What a scan that starts with a capture must fit: an IR scan exactly the sum of the IR
// lengths; a DR scan the registers of known length exactly, or more than them when one is of
// unknown length. A longer DR scan through BYPASS alone measures the chain (an info finding).
// A scan that continues from a pause may be of any length. A header or trailer that ends inside
// a device (of known length) is an error too: swapped HIR and TIR fit the length.
//
// TDO is compared where the player knows what the devices capture: BYPASS (0), IDCODE, the two
// lowest IR bits (01), and bits a scan pushed through registers of known length since the
// capture. What a register of unknown length brings out is the device's own: not compared.
//
// Findings: errors for a scan that does not fit, a TDO mismatch, a STATE path that cannot be
// clocked, TRST after TRST ABSENT, a file without a statement and a statement the reader
// refuses (reading stops there); warnings only where players would do something different to
// the chain: the reader's notes (hex digits beyond the value's whole bytes only; a run state
// carried over only when a later statement continues a scan from the pause, clocks in the
// carried state or moves by a STATE path), a STATE path through a shift state, MAXIMUM below
// the minimum time, an assumed DR split; infos for a chain measurement and, at the end, when
// every SIR missed the chain by the same length, what the file's scans imply.
#ifndef KELSVF_CHECK_CHAIN_PLAYER_H
#define KELSVF_CHECK_CHAIN_PLAYER_H

#include <array>
#include <memory>

#include "ChainDescription.h"
#include "PlayEvents.h"
#include "StatementSource.h"
#include "kelsvfreader/SvfReader.h"

namespace kelsvf::check {

struct PlayOptions {
    double frequencyHz = 1e6;  // the clock rate the replay time assumes; above 0
    // Plays the commonest short scans in one step and keeps what the instructions select from
    // one capture to the next: the same effect as the general way, off only to compare the two.
    bool shortcuts = true;
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
    // The clocks per TAP state and the minimum waits so far, without the rest of summary().
    const std::array<Count, 16>& clocksInState() const;
    Count minimumWaitMicroseconds() const;
    const std::array<double, 16>& runMicroseconds() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_CHAIN_PLAYER_H
