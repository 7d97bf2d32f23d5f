// The scan that makes up most of a programming file: an SDR of a few bits without TDO, from
// Run-Test/Idle through Capture-DR, Shift-DR and Update-DR back to Run-Test/Idle. Played here
// without the general scan's parts, blocks and TAP walk, but with the same clocks counted in the
// same order around the same capture, shift and update: the same events, findings and counts.
#include <algorithm>

#include "PlayerImpl.h"

namespace kelsvf::check {

using namespace KelPluginInterface;
using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;

namespace {

// Scans up to this long, which the reader holds in memory.
constexpr uint64_t kOneStepBits = 4096;

// One source, from bit 0, of `line`: most scans' registers, set without a new element.
inline void keepOneSource(std::vector<ValueSource>& sources, uint64_t line) {
    if (sources.size() != 1) {
        sources.assign(1, ValueSource{});
    }
    sources.front() = ValueSource{0, line};
}

}  // namespace

inline void ChainPlayer::Impl::captureShift(const Bits& tdi, uint64_t bits) {
    // As captureDr, shiftDr and keepDrBits leave the registers for one scan of its own line.
    startDrCapture();
    keepOneSource(drSegments, line);
    drShiftedBits = bits;
    drFirst = tdi;
    drShifted = true;
    drLine = line;
}

inline void ChainPlayer::Impl::updateShifted(uint64_t bits) {
    // As updateDr: every register holds bits of this scan, the elastic one what the others
    // leave; each latches them, from the scan's own bytes where they start a byte. Device 0,
    // nearest TDI, holds the scan's last bits.
    const uint8_t* first = drFirst.memory();
    const uint64_t elasticLength = bits - knownDrBits;
    keepOneSource(valueSources, line);
    valueDigitLines.clear();
    uint64_t end = bits;  // of device i's bits, counted from TDO
    for (size_t i = 0; i < drSelected.size(); ++i) {
        const SelectedRegister& selected = drSelected[i];
        const uint64_t length = selected.elastic ? elasticLength : selected.length;
        const uint64_t start = end - length;
        const bool top = end == bits;
        end = start;
        if (selected.bypass) {
            continue;
        }
        BitValue value;
        if (start % 8 == 0 && top) {
            value = BitValue(std::span<const uint8_t>(first + start / 8, bytesFor(length)), length);
        } else {
            valueBits.assign(bytesFor(length), 0);
            copyBits(valueBits.data(), 0, first, start, length);
            value = BitValue(valueBits, length);
        }
        reportDrUpdate(i, line, value);
    }
    drCaptured = false;
}

template <typename Source>
bool ChainPlayer::Impl::playShortScan(const kelsvfreader::Statement& statement,
                                      const Source& reader) {
    const ScanValues& body = *statement.scan;
    const uint64_t bits = body.bitCount;
    if (state != KELJTAG_RUN_TEST_IDLE || bits == 0 || bits > kOneStepBits ||
        body.tdiLines != nullptr || reader.statesInForce().endDR != KELJTAG_RUN_TEST_IDLE) {
        return false;
    }
    // An empty header or trailer that gives TDO still makes the scan a checked one.
    const ScanValues& header = reader.inForce(ScanKind::HDR);
    const ScanValues& trailer = reader.inForce(ScanKind::TDR);
    if (header.bitCount != 0 || trailer.bitCount != 0 || header.tdoGiven || trailer.tdoGiven) {
        return false;
    }
    const uint8_t* tdi = body.tdi.memory();
    // A verify read compares against the expected TDO and mask as the reader holds them; the
    // statement alone without a MASK compares every bit.
    const bool checked = body.tdoGiven;
    const bool everyBit = checked && body.maskAllOnes();
    const uint8_t* expected = checked ? body.tdo.memory() : nullptr;
    const uint8_t* mask = checked && !everyBit ? body.mask().memory() : nullptr;
    if (tdi == nullptr || (checked && expected == nullptr) ||
        (checked && !everyBit && mask == nullptr)) {
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
    if (selectionKept && elastic && bits > knownDrBits && !drSplitAssumed) {
        // The capture finds nothing to say: the scan fits the registers it fills.
        // A clock in each of Run-Test/Idle, Select-DR and Capture-DR, then the bits in Shift-DR.
        ++clocks[static_cast<size_t>(KELJTAG_RUN_TEST_IDLE)];
        ++clocks[static_cast<size_t>(KELJTAG_SELECT_DR_SCAN)];
        ++clocks[static_cast<size_t>(KELJTAG_CAPTURE_DR)];
        clocks[static_cast<size_t>(KELJTAG_SHIFT_DR)] += bits;
        clocksSpent += 3 + bits;
        state = KELJTAG_EXIT1_DR;
        captureShift(body.tdi, bits);
        if (checked) {
            // Out of TDO come the captures between the elastic register and TDO, then what
            // that device alone knows.
            tdoBlock.assign(bytesFor(bits), 0);
            knownBlock.assign(bytesFor(bits), 0);
            const uint64_t out = std::min(bits, tdoSideBits);
            copyBits(tdoBlock.data(), 0, drCapture.bits(), 0, out);
            copyBits(knownBlock.data(), 0, drCapture.known(), 0, out);
            checkWholeTdo(bits, expected, mask);
        }
        clock(KELJTAG_UPDATE_DR);
        updateShifted(bits);
        clock(KELJTAG_RUN_TEST_IDLE);
        return true;
    }
    // Select-DR, Capture-DR (which checks that the scan fits), Shift-DR.
    clock(KELJTAG_SELECT_DR_SCAN);
    pendingDrBits = bits;
    clock(KELJTAG_CAPTURE_DR);
    captureDr();
    pendingDrBits.reset();
    clock(KELJTAG_SHIFT_DR);

    if (checked) {
        tdoBlock.assign(bytesFor(bits), 0);
        knownBlock.assign(bytesFor(bits), 0);
        shiftDr(tdi, bits, tdoBlock.data(), knownBlock.data());
    } else {
        // A path of known length keeps only its length's last bits; a register of unknown
        // length keeps them all.
        const uint64_t held = elastic ? 0 : drPath.length();
        const uint64_t passing = bits > held ? bits - held : 0;
        if (passing != 0) {
            shiftDr(nullptr, passing, nullptr, nullptr);
        }
        if (passing < bits) {
            shiftDr(tdi, bits - passing, nullptr, nullptr, passing);
        }
    }
    keepDrBits(body.tdi);
    drShifted = true;
    drLine = line;
    clocks[static_cast<size_t>(KELJTAG_SHIFT_DR)] += bits;
    clocksSpent += bits;
    state = KELJTAG_EXIT1_DR;
    if (checked) {
        checkWholeTdo(bits, expected, mask);
    }

    // Exit1-DR, Update-DR, Run-Test/Idle.
    clock(KELJTAG_UPDATE_DR);
    updateDr();
    clock(KELJTAG_RUN_TEST_IDLE);
    return true;
}

template bool ChainPlayer::Impl::playShortScan(const kelsvfreader::Statement&,
                                               const StatementSource&);
template bool ChainPlayer::Impl::playShortScan(const kelsvfreader::Statement&,
                                               const ReaderSource<kelsvfreader::SvfReader>&);

}  // namespace kelsvf::check
