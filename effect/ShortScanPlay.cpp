// The scan that makes up most of a programming file: an SDR of a few bits without TDO, from
// Run-Test/Idle through Capture-DR, Shift-DR and Update-DR back to Run-Test/Idle. Played here
// without the general scan's parts, blocks and TAP walk, but with the same clocks counted in the
// same order around the same capture, shift and update: the same events, findings and counts.
#include "PlayerImpl.h"

namespace kelsvf::check {

using namespace KelPluginInterface;
using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;

namespace {

// Scans up to this long, which the reader holds in memory.
constexpr uint64_t kOneStepBits = 4096;

}  // namespace

bool ChainPlayer::Impl::playShortScan(const kelsvfreader::Statement& statement,
                                      StatementSource& reader) {
    const ScanValues& body = *statement.scan;
    const uint64_t bits = body.bitCount;
    if (state != KELJTAG_RUN_TEST_IDLE || body.tdoGiven || bits == 0 || bits > kOneStepBits ||
        body.tdiLines != nullptr || reader.inForce(ScanKind::HDR).bitCount != 0 ||
        reader.inForce(ScanKind::TDR).bitCount != 0 ||
        reader.statesInForce().endDR != KELJTAG_RUN_TEST_IDLE) {
        return false;
    }
    const uint8_t* tdi = body.tdi.memory();
    if (tdi == nullptr) {
        return false;
    }
    scanHeaderBits = 0;
    scanTrailerBits = 0;
    scanColumn = statement.position.column;
    scanBodyBits = bits;
    scanIr = false;
    irCaptured = false;

    const auto clock = [this](TapState next) {
        ++clocks[static_cast<size_t>(state)];
        ++clocksSpent;
        state = next;
    };
    // Select-DR, Capture-DR (which checks that the scan fits), Shift-DR.
    clock(KELJTAG_SELECT_DR_SCAN);
    pendingDrBits = bits;
    clock(KELJTAG_CAPTURE_DR);
    captureDr();
    pendingDrBits.reset();
    clock(KELJTAG_SHIFT_DR);

    // A path of known length keeps only its length's last bits; a register of unknown length
    // keeps them all.
    const uint64_t held = elastic ? 0 : drPath.length();
    const uint64_t passing = bits > held ? bits - held : 0;
    if (passing != 0) {
        shiftDr(nullptr, passing, nullptr, nullptr);
    }
    if (passing < bits) {
        shiftDr(tdi, bits - passing, nullptr, nullptr, passing);
    }
    keepDrBits(body.tdi);
    drShifted = true;
    drLine = line;
    clocks[static_cast<size_t>(KELJTAG_SHIFT_DR)] += bits;
    clocksSpent += bits;
    state = KELJTAG_EXIT1_DR;

    // Exit1-DR, Update-DR, Run-Test/Idle.
    clock(KELJTAG_UPDATE_DR);
    updateDr();
    clock(KELJTAG_RUN_TEST_IDLE);
    return true;
}

}  // namespace kelsvf::check
