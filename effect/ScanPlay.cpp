// SIR and SDR: the whole scan (header, statement, trailer) through the chain, whether it fits
// the registers the devices have selected, and the instruction registers.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "PartRules.h"
#include "PlayerImpl.h"
#include "ScanVectors.h"

namespace kelsvf::check {

using namespace KelPluginInterface;
using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;

namespace {

// Where the header (counted from the TDO end) or the trailer (from the TDI end) ends inside a
// device: a header pads the devices beyond the scanned ones, so it covers them whole. Empty when
// both do; `lengths` in device order, device 0 nearest TDI.
std::string headerSplitsDevice(const std::vector<uint64_t>& lengths, uint64_t header,
                               uint64_t trailer, bool ir) {
    const auto splits = [&](uint64_t bits, bool fromTdo) -> std::string {
        uint64_t covered = 0;
        for (size_t k = 0; k < lengths.size() && covered < bits; ++k) {
            const size_t i = fromTdo ? lengths.size() - 1 - k : k;
            covered += lengths[i];
            if (covered > bits) {
                return std::string("the ") + (fromTdo ? "header's " : "trailer's ") +
                       std::to_string(bits) + " bits end inside device " + std::to_string(i) +
                       " (" + (ir ? "IR " : "register ") + std::to_string(lengths[i]) +
                       " bits), but a header or trailer covers whole devices";
            }
        }
        return {};
    };
    const std::string problem = splits(header, true);
    return problem.empty() ? splits(trailer, false) : problem;
}

}  // namespace

std::string ChainPlayer::Impl::scanParts() const {
    return std::string(scanIr ? "HIR " : "HDR ") + std::to_string(scanHeaderBits) + " + " +
           (scanIr ? "SIR " : "SDR ") + std::to_string(scanBodyBits) + " + " +
           (scanIr ? "TIR " : "TDR ") + std::to_string(scanTrailerBits);
}

void ChainPlayer::Impl::checkWholeDevices(const std::vector<uint64_t>& lengths, bool ir,
                                          uint64_t column) {
    const std::string problem = headerSplitsDevice(lengths, scanHeaderBits, scanTrailerBits, ir);
    if (!problem.empty()) {
        report(Severity::Error, column, kScanDoesNotFit,
               std::string(ir ? "SIR: " : "SDR: ") + scanParts() + ": " + problem);
    }
}

void ChainPlayer::Impl::playScan(bool ir, const kelsvfreader::Statement& statement,
                                 StatementSource& reader) {
    const ScanValues& header = reader.inForce(ir ? ScanKind::HIR : ScanKind::HDR);
    const ScanValues& body = *statement.scan;
    const ScanValues& trailer = reader.inForce(ir ? ScanKind::TIR : ScanKind::TDR);
    const uint64_t total = uint64_t{header.bitCount} + body.bitCount + trailer.bitCount;
    const char* name = ir ? "SIR" : "SDR";
    scanHeaderBits = header.bitCount;
    scanTrailerBits = trailer.bitCount;
    scanColumn = statement.position.column;
    scanBodyBits = body.bitCount;
    scanIr = ir;

    if (total == 0) {
        report(Severity::Error, statement.position.column, kScanDoesNotFit,
               std::string(name) + ": 0 bits (" + scanParts() +
                   ") do not fit the chain; the scan is not played");
        return;
    }
    // A scan that continues one from a pause may be of any length: it shifts on.
    const bool continues = state == (ir ? KELJTAG_PAUSE_IR : KELJTAG_PAUSE_DR);
    if (ir && !continues) {
        checkIrScan(total, statement.position.column);
    }

    pendingDrBits.reset();
    if (!ir && !continues) {
        pendingDrBits = total;
    }
    irCaptured = false;
    moveTo(ir ? KELJTAG_SHIFT_IR : KELJTAG_SHIFT_DR);
    pendingDrBits.reset();

    const bool tdoGiven = header.tdoGiven || body.tdoGiven || trailer.tdoGiven;
    const std::array<uint64_t, 3> sizes{header.bitCount, body.bitCount, trailer.bitCount};
    scanTdi.set(&header.tdi, &body.tdi, &trailer.tdi, sizes);
    if (tdoGiven) {
        scanTdo.set(tdoOf(header), tdoOf(body), tdoOf(trailer), sizes);
        scanMask.set(maskOf(header), maskOf(body), maskOf(trailer), sizes);
    }
    // The statement alone without a MASK compares every bit: no all-ones mask is made. (An
    // empty header's TDO leaves the body without one: it compares nothing.)
    maskImplicit =
        header.bitCount == 0 && trailer.bitCount == 0 && body.tdoGiven && body.maskAllOnes();
    const uint64_t captureOffset = ir ? irShiftedBits : drShiftedBits;
    if (tdoGiven) {
        startTdo(ir, total);
    }
    // Header first into TDI, then the statement's bits, then the trailer, a block at a time.
    // Without TDO only the bits that stay in a path of known length matter: the others pass
    // through it (a register of unknown length keeps them as slices, below), so a long scan
    // costs the time of its text, not of its length.
    inScan = true;
    if (!ir && body.tdiLines != nullptr) {
        drDigitLines.push_back({drShiftedBits + header.bitCount, body.bitCount, body.tdiLines});
    }
    const uint64_t held = ir ? irPath.length() : elastic ? 0 : drPath.length();
    uint64_t first = 0;
    if (!tdoGiven && total > held) {
        first = total - held;
        if (!ir) {
            shiftDr(nullptr, first, nullptr, nullptr);
        }
    }
    for (; first < total; first += kBlockBits) {
        const uint64_t count = std::min(kBlockBits, total - first);
        const uint8_t* tdi = scanTdi.block(first, count, tdiBlock);
        uint8_t* tdo = nullptr;
        if (tdoGiven) {
            tdoBlock.assign(bytesFor(count), 0);
            knownBlock.assign(bytesFor(count), 0);
            tdo = tdoBlock.data();
        }
        if (ir) {
            irPath.shift(tdi, 0, count, tdo, knownBlock.data(), 0);
        } else {
            shiftDr(tdi, count, tdo, knownBlock.data());
        }
        if (tdoGiven) {
            compareBlock(first, count);
        }
    }
    inScan = false;
    if (ir) {
        irShifted = true;
        irLine = line;
        irShiftedBits += total;
    } else {
        for (size_t i = 0; i < 3; ++i) {
            keepDrBits(scanTdi.part(i));
        }
        drShifted = true;
        drLine = line;
    }
    // Every bit a clock in the shift state; the last one leaves it with TMS high.
    clocks[static_cast<size_t>(state)] += total;
    clocksSpent += total;
    state = ir ? KELJTAG_EXIT1_IR : KELJTAG_EXIT1_DR;

    if (tdoGiven) {
        reportTdo(ir, total, captureOffset);
    }
    const kelsvfreader::StatesInForce states = reader.statesInForce();
    moveTo(ir ? states.endIR : states.endDR);
}

void ChainPlayer::Impl::checkIrScan(uint64_t total, uint64_t column) {
    if (irScanLength != 0 && irScanLength != total) {
        irScanLengthsDiffer = true;
    }
    irScanLength = total;
    std::vector<uint64_t> lengths;
    std::string sum;
    for (const DeviceDescription& device : chainDescription.devices) {
        lengths.push_back(device.irLength);
        sum += (sum.empty() ? "" : " + ") + std::to_string(device.irLength);
    }
    if (total != chainDescription.irPathLength()) {
        if (irMisfits++ == 0) {
            firstIrMisfitLine = line;
        }
        report(Severity::Error, column, kScanDoesNotFit,
               "SIR: " + std::to_string(total) + " bits (" + scanParts() +
                   ") do not fit the chain: its instruction registers take " +
                   std::to_string(chainDescription.irPathLength()) + " bits (" + sum + ")");
    } else {
        checkWholeDevices(lengths, true, column);
    }
}

void ChainPlayer::Impl::captureIr() {
    // Each IR captures ...01 in its two lowest bits; the bits above are the device's own.
    irCaptured = true;
    irShifted = false;
    irShiftedBits = 0;
    ++irCaptureNumber;
    irPath.reset(irPath.length());
    uint64_t at = 0;
    for (size_t i = devices.size(); i-- > 0;) {
        const DeviceDescription& device = chainDescription.devices[i];
        const uint64_t length = device.irLength;
        putBit(irPath.bits(), at, true);
        fillBits(irPath.known(), at, std::min<uint64_t>(2, length), true);
        // A part's INSTRUCTION_CAPTURE fixes more of it.
        if (device.part && device.part->instructionCapture) {
            const kelbsdl::BitPattern& capture = *device.part->instructionCapture;
            for (uint64_t k = 0; k < length && k < capture.length(); ++k) {
                if (capture.bit(k) != 'X') {
                    putBit(irPath.bits(), at + k, capture.bit(k) == '1');
                    putBit(irPath.known(), at + k, true);
                }
            }
        }
        at += length;
    }
}

void ChainPlayer::Impl::updateIr() {
    const uint64_t updateLine = irShifted ? irLine : line;
    uint64_t at = 0;
    for (size_t i = devices.size(); i-- > 0;) {
        const uint32_t length = chainDescription.devices[i].irLength;
        uint64_t instruction = 0;
        for (uint32_t k = 0; k < length; ++k) {
            instruction |= uint64_t{bitAt(irPath.bits(), at + k)} << k;
        }
        at += length;
        devices[i] = DeviceState{instruction, false};
    }
    selectionKept = false;
    for (size_t i = 0; i < devices.size(); ++i) {
        uint8_t bytes[8];
        const uint32_t length = chainDescription.devices[i].irLength;
        for (size_t k = 0; k < bytesFor(length); ++k) {
            bytes[k] = static_cast<uint8_t>(devices[i].instruction >> (8 * k));
        }
        ++counts.irUpdates;
        // The names' findings and loads belong to the update's line.
        const uint64_t statementLine = std::exchange(line, updateLine);
        const std::string names = nameInstruction(i, devices[i].instruction);
        line = statementLine;
        DeviceUpdate update{updateLine,
                            static_cast<uint32_t>(i),
                            true,
                            length,
                            BitValue(std::span<const uint8_t>(bytes, bytesFor(length)), length),
                            {},
                            {}};
        update.instruction = names;
        sink.deviceUpdate(update);
    }
}

std::string ChainPlayer::Impl::nameInstruction(size_t device, uint64_t instruction) {
    const DeviceDescription& described = chainDescription.devices[device];
    if (!described.part) {
        return {};
    }
    std::string names = instructionNames(*described.part, instruction);
    if (names.empty()) {
        char code[24];
        std::snprintf(code, sizeof code, "0x%llx", static_cast<unsigned long long>(instruction));
        report(Severity::Warning, 0, kUnknownInstruction,
               "device " + std::to_string(device) + ": instruction " + code +
                   " is not among the opcodes of " + described.part->entity);
        return names;
    }
    for (const kelbsdl::Instruction* loaded :
         described.part->instructionsFor(opcodeBytes(instruction, described.irLength))) {
        if (!changesNonVolatileState(loaded->name)) {
            continue;
        }
        auto& loads = counts.nonVolatile;
        auto found = std::find_if(loads.begin(), loads.end(), [&](const NonVolatileLoad& load) {
            return load.device == device && load.instruction == loaded->name;
        });
        if (found == loads.end()) {
            loads.push_back({static_cast<uint32_t>(device), loaded->name, 0, line, line});
            found = loads.end() - 1;
        }
        ++found->count;
        found->lastLine = line;
    }
    return names;
}

}  // namespace kelsvf::check
