// The data registers between Capture-DR and Update-DR: what each device's instruction selects,
// the bits shifted into them across any number of scans, and what each latches.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "PlayerImpl.h"

namespace kelsvf::check {

namespace {

constexpr uint64_t kIdcodeLength = 32;

std::string hexInstruction(uint64_t instruction) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(instruction));
    return text;
}

}  // namespace

SelectedRegister ChainPlayer::Impl::selectDataRegister(size_t i) const {
    const DeviceDescription& described = chainDescription.devices[i];
    const DeviceState& device = devices[i];
    const uint64_t bypass =
        described.irLength >= 64 ? ~uint64_t{0} : (uint64_t{1} << described.irLength) - 1;
    SelectedRegister selected;
    selected.instruction = device.instruction;
    if (device.selectedByReset) {
        if (described.idcode.value_or(0) != 0) {
            selected.length = kIdcodeLength;
            selected.captureKnown = true;
            selected.capture = *described.idcode;
            selected.captureCare = described.idcodeCare;
            selected.idcode = true;
            selected.name = "IDCODE";
        } else if (described.idcode) {  // known to have none: BYPASS, as the standard has it
            selected.length = 1;
            selected.bypass = selected.captureKnown = true;
            selected.name = "BYPASS";
        } else {
            selected.elastic = true;
            selected.afterReset = true;
        }
        return selected;
    }
    if (device.instruction == bypass) {
        selected.length = 1;
        selected.bypass = selected.captureKnown = true;
        selected.name = "BYPASS";
        return selected;
    }
    if (const KnownInstruction* known = described.instruction(device.instruction)) {
        const bool idcode = known->capturesIdcode && described.idcode.value_or(0) != 0;
        selected.length = known->bypass ? 1 : known->length;
        selected.bypass = known->bypass;
        selected.captureKnown = idcode || known->bypass;
        selected.capture = idcode ? *described.idcode : 0;
        selected.captureCare = idcode ? described.idcodeCare : 0xFFFFFFFFu;
        selected.idcode = idcode;
        selected.name = known->name;
        return selected;
    }
    selected.elastic = true;
    return selected;
}

std::string ChainPlayer::Impl::registerPath(size_t i) const {
    const SelectedRegister& selected = drSelected[i];
    const std::string prefix = "device " + std::to_string(i);
    if (selected.elastic || selected.assumed) {
        return prefix +
               (selected.afterReset ? " after a reset (IDCODE or BYPASS)"
                                    : " instruction " + hexInstruction(selected.instruction)) +
               " 1 or more";
    }
    return prefix + " " + std::string(selected.name) + " " + std::to_string(selected.length);
}

void ChainPlayer::Impl::selectDataRegisters() {
    drSelected.clear();
    idcodeCaptured = false;
    for (size_t i = 0; i < devices.size(); ++i) {
        drSelected.push_back(selectDataRegister(i));
    }
    // With several registers of unknown length the split cannot be known: all but the one
    // nearest TDO are taken to be 1 bit long, which still reports the same updates for files
    // that have the same effect.
    elastic.reset();
    for (size_t i = drSelected.size(); i-- > 0;) {
        if (drSelected[i].elastic && !elastic) {
            elastic = i;
        } else if (drSelected[i].elastic) {
            drSelected[i].elastic = false;
            drSelected[i].assumed = true;
            drSelected[i].length = 1;
        }
    }
    knownDrBits = 0;
    tdoSideBits = 0;
    drSplitAssumed = false;
    for (size_t i = 0; i < drSelected.size(); ++i) {
        drSplitAssumed = drSplitAssumed || drSelected[i].assumed;
        if (!drSelected[i].elastic) {
            knownDrBits += drSelected[i].length;
            if (elastic && i > *elastic) {
                tdoSideBits += drSelected[i].length;
            }
        }
    }
    // The captures of the known registers, device nearest TDO first.
    ShiftWindow& captured = elastic ? drCapture : drPath;
    captured.reset(knownDrBits);
    uint64_t at = 0;
    for (size_t i = drSelected.size(); i-- > 0;) {
        const SelectedRegister& selected = drSelected[i];
        if (selected.elastic) {
            continue;
        }
        if (selected.captureKnown) {
            for (uint64_t k = 0; k < selected.length && k < 32; ++k) {
                putBit(captured.bits(), at + k, ((selected.capture >> k) & 1u) != 0);
            }
            fillBits(captured.known(), at, selected.length, true);
            for (uint64_t k = 0; k < selected.length && k < 32; ++k) {
                if (((selected.captureCare >> k) & 1u) == 0) {
                    putBit(captured.known(), at + k, false);
                }
            }
        }
        idcodeCaptured = idcodeCaptured || selected.idcode;
        at += selected.length;
    }
    if (!elastic) {
        tdoSideBits = knownDrBits;
        keptDrPath = drPath;
    }
    selectionKept = true;
}

void ChainPlayer::Impl::captureDr() {
    if (!selectionKept || !options.shortcuts) {
        selectDataRegisters();
    } else if (!elastic) {
        drPath = keptDrPath;  // its captures; drCapture is only read, so it still holds them
    }
    startDrCapture();
    drFirst = Bits{};
    drSegments.clear();
    drShiftedBits = 0;
    drShifted = false;
    if (pendingDrBits) {
        checkDrFit();
    }
}

void ChainPlayer::Impl::checkDrFit() {
    const uint64_t total = *pendingDrBits;
    bool allBypass = true;
    uint64_t unknown = 0;
    for (const SelectedRegister& selected : drSelected) {
        allBypass = allBypass && selected.bypass;
        unknown += selected.elastic || selected.assumed ? 1u : 0u;
    }
    const bool fits = elastic ? total > knownDrBits : total == knownDrBits;
    if (fits && unknown <= 1) {
        if (scanHeaderBits == 0 && scanTrailerBits == 0) {
            return;  // nothing can end inside a device
        }
        std::vector<uint64_t> lengths;
        for (const SelectedRegister& selected : drSelected) {
            lengths.push_back(selected.elastic ? total - knownDrBits : selected.length);
        }
        checkWholeDevices(lengths, false, 0);
        return;
    }
    std::string path;
    for (size_t i = 0; i < drSelected.size(); ++i) {
        path += (path.empty() ? "" : ", ") + registerPath(i);
    }
    if (!elastic && total > knownDrBits && allBypass) {
        report(Severity::Info, scanColumn, kChainMeasurement,
               "SDR: " + std::to_string(total) + " bits (" + scanParts() + ") through " +
                   std::to_string(knownDrBits) +
                   " BYPASS bits: a measurement of the chain, not a register write");
        return;
    }
    if (!fits) {
        report(Severity::Error, 0, kScanDoesNotFit,
               "SDR: " + std::to_string(total) + " bits (" + scanParts() +
                   ") do not fit the chain: its data registers take " +
                   (elastic ? "at least " : "") + std::to_string(knownDrBits + (elastic ? 1 : 0)) +
                   " bits (" + path + ")");
        return;
    }
    if (unknown > 1) {
        report(Severity::Warning, 0, kDrSplitAssumed,
               "SDR: " + std::to_string(total - knownDrBits + unknown - 1) + " bits for " +
                   std::to_string(unknown) + " devices whose data register lengths are unknown (" +
                   path + "); taken as 1 bit each but device " + std::to_string(*elastic) +
                   ", nearest TDO");
    }
}

void ChainPlayer::Impl::shiftDr(const uint8_t* src, uint64_t count, uint8_t* tdo, uint8_t* known,
                                uint64_t srcStart) {
    if (count == 0) {
        return;
    }
    if (src == nullptr) {
        // bits that leave again before the registers latch (see playScan): counted only
    } else if (!elastic) {
        drPath.shift(src, srcStart, count, tdo, known, 0);
    } else if (tdo != nullptr && drShiftedBits < tdoSideBits) {
        // Out of TDO come the captures of the registers between the elastic one and TDO, then
        // the elastic register's own capture, which the device alone knows.
        const uint64_t out = std::min(count, tdoSideBits - drShiftedBits);
        copyBits(tdo, 0, drCapture.bits(), drShiftedBits, out);
        copyBits(known, 0, drCapture.known(), drShiftedBits, out);
    }
    if (drSegments.empty() || drSegments.back().line != line) {
        drSegments.push_back({drShiftedBits, line});
    }
    drShiftedBits += count;
}

namespace {
constexpr uint64_t kShortPiece = 4096;
}  // namespace

void ChainPlayer::Impl::keepDrBits(const Bits& bits) {
    // Short pieces are copied together; a long one is kept as it is, a slice of its scan.
    if (!elastic || bits.empty()) {
        return;
    }
    if (drFirst.empty() && drStream.empty() && drTailBits == 0) {
        drFirst = bits;  // the common capture of one scan: kept as the reader holds it
        return;
    }
    if (!drFirst.empty()) {
        const Bits first = std::exchange(drFirst, Bits{});
        keepDrPiece(first);
    }
    keepDrPiece(bits);
}

void ChainPlayer::Impl::keepDrPiece(const Bits& bits) {
    if (bits.size() >= kShortPiece) {
        flushDrTail();
        append(drStream, bits);
        return;
    }
    drTail.resize(bytesFor(drTailBits + bits.size()));
    if (const uint8_t* whole = bits.memory()) {
        copyBits(drTail.data(), drTailBits, whole, 0, bits.size());
    } else {
        uint8_t piece[kShortPiece / 8];
        requireRead(bits.read(0, bits.size(), piece));
        copyBits(drTail.data(), drTailBits, piece, 0, bits.size());
    }
    drTailBits += bits.size();
    if (drTailBits >= kBlockBits) {
        flushDrTail();
    }
}

void ChainPlayer::Impl::flushDrTail() {
    if (drTailBits != 0) {
        append(drStream, Bits::fromBytes(std::move(drTail), drTailBits));
        drTail = {};
        drTailBits = 0;
    }
}

void ChainPlayer::Impl::sourcesOf(uint64_t shiftedStart, uint64_t windowLength, uint64_t length) {
    // Bit b of the register is stream bit shiftedStart - windowLength + b; below 0 it is a
    // captured bit.
    valueSources.clear();
    const auto streamBit = [&](uint64_t b) -> int64_t {
        return static_cast<int64_t>(shiftedStart + b) - static_cast<int64_t>(windowLength);
    };
    if (length == 0) {
        return;
    }
    if (!drDigitLines.empty() || !valueDigitLines.empty()) {
        digitLinesOf(streamBit(0), length);
    }
    if (streamBit(0) < 0) {
        valueSources.push_back({0, 0});
    }
    for (const ValueSource& segment : drSegments) {
        const int64_t first = static_cast<int64_t>(segment.firstBit);
        const int64_t offset = first - streamBit(0);  // the segment's first bit in the register
        if (offset >= static_cast<int64_t>(length)) {
            break;
        }
        const uint64_t from = offset < 0 ? 0 : static_cast<uint64_t>(offset);
        if (!valueSources.empty() && valueSources.back().firstBit == from) {
            valueSources.back().line = segment.line;
        } else {
            valueSources.push_back({from, segment.line});
        }
    }
}

void ChainPlayer::Impl::digitLinesOf(int64_t firstStreamBit, uint64_t length) {
    valueDigitLines.clear();
    for (const ScanDigitLines& scan : drDigitLines) {
        // The register bit of the TDI's bit 0, and the TDI's bits the register holds.
        const int64_t first = static_cast<int64_t>(scan.firstBit) - firstStreamBit;
        const int64_t from = std::max<int64_t>(first, 0);
        const int64_t to =
            std::min(first + static_cast<int64_t>(scan.bitCount), static_cast<int64_t>(length));
        if (from < to) {
            valueDigitLines.push_back({static_cast<uint64_t>(from),
                                       static_cast<uint64_t>(to - from),
                                       static_cast<uint64_t>(from - first), scan.lines.get()});
        }
    }
}

void ChainPlayer::Impl::updateDr() {
    if (!drCaptured) {
        return;
    }
    const uint64_t updateLine = drShifted ? drLine : line;
    // Without an elastic register the path holds its contents. With one, every register holds
    // bits of the stream: it takes what the others leave. Short of the known registers, the
    // captures stay in part, as in a window.
    // Short scans' bits stay in drTail; read from there, they cost no piece.
    const bool inTail = drFirst.empty() && drStream.empty();
    if (drFirst.empty() && !inTail) {
        flushDrTail();
    }
    const uint8_t* first = drFirst.memory();
    const auto readStream = [&](uint64_t from, uint64_t count, uint8_t* out) {
        if (first != nullptr) {
            copyBits(out, 0, first, from, count);
        } else if (!drFirst.empty()) {
            requireRead(drFirst.read(from, count, out));
        } else if (inTail) {
            copyBits(out, 0, drTail.data(), from, count);
        } else {
            requireRead(drStream.read(from, count, out));
        }
    };
    const bool fromStream = elastic && drShiftedBits >= knownDrBits;
    if (elastic && !fromStream) {
        drPath.reset(knownDrBits);
        copyBits(drPath.bits(), 0, drCapture.bits(), 0, knownDrBits);
        std::vector<uint8_t> shifted(bytesFor(drShiftedBits));  // fewer than the known registers
        readStream(0, drShiftedBits, shifted.data());
        drPath.shift(shifted.data(), 0, drShiftedBits, nullptr, nullptr, 0);
    }
    const uint64_t elasticLength = fromStream ? drShiftedBits - knownDrBits : 0;
    // Where each register starts, counted from TDO; reported device 0 first.
    std::vector<uint64_t>& starts = registerStarts;
    starts.resize(drSelected.size());
    uint64_t at = 0;
    for (size_t i = drSelected.size(); i-- > 0;) {
        starts[i] = at;
        at += drSelected[i].elastic ? elasticLength : drSelected[i].length;
    }
    for (size_t i = 0; i < drSelected.size(); ++i) {
        const SelectedRegister& selected = drSelected[i];
        if (selected.bypass) {
            continue;
        }
        const uint64_t length = selected.elastic ? elasticLength : selected.length;
        BitValue value;
        if (fromStream && length > kBlockBits) {  // never from drTail, which holds less
            // the scans' own bits, not a copy
            if (drFirst.empty()) {
                valueRope = drStream.slice(starts[i], length);
            } else {
                valueRope = BitRope{};
                append(valueRope, drFirst.slice(starts[i], length));
            }
            value = BitValue(valueRope);
        } else if (fromStream && first != nullptr && starts[i] % 8 == 0 &&
                   starts[i] + length == drFirst.size()) {
            // the top of one scan's bits: its bytes as they are, clear past its end
            value =
                BitValue(std::span<const uint8_t>(first + starts[i] / 8, bytesFor(length)), length);
        } else {
            valueBits.assign(bytesFor(length), 0);
            if (fromStream) {
                readStream(starts[i], length, valueBits.data());
            } else {
                copyBits(valueBits.data(), 0, drPath.bits(), starts[i], length);
            }
            value = BitValue(valueBits, length);
        }
        sourcesOf(fromStream ? starts[i] : starts[i] + drShiftedBits,
                  fromStream ? 0 : drPath.length(), length);
        reportDrUpdate(i, updateLine, value);
    }
    // A second Update-DR needs a capture first; the registers keep what they latched.
    drCaptured = false;
    if (valueRope.size() != 0) {
        valueRope = BitRope{};
    }
}

}  // namespace kelsvf::check
