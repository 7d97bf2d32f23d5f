// SIR and SDR: the whole scan (header, statement, trailer) through the chain, and whether it
// fits the registers the devices have selected.
#include <cstdio>
#include <limits>
#include <optional>

#include "PartRules.h"
#include "PlayerImpl.h"
#include "kel/KelPlugin.h"

namespace kelsvf::check {

using namespace KelPluginInterface;
using kelsvfreader::ScanKind;
using kelsvfreader::ScanValues;

namespace {

constexpr uint32_t kIdcodeLength = 32;

std::string hexInstruction(uint64_t instruction) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(instruction));
    return text;
}

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

void ChainPlayer::Impl::checkWholeDevices(const std::vector<uint64_t>& lengths, bool ir,
                                          uint64_t column) {
    const std::string problem = headerSplitsDevice(lengths, scanHeaderBits, scanTrailerBits, ir);
    if (!problem.empty()) {
        report(Severity::Error, column, kScanDoesNotFit,
               std::string(ir ? "SIR: " : "SDR: ") + scanParts + ": " + problem);
    }
}

void ChainPlayer::Impl::playScan(bool ir, const kelsvfreader::Statement& statement,
                                 kelsvfreader::SvfReader& reader) {
    const ScanValues& header = reader.inForce(ir ? ScanKind::HIR : ScanKind::HDR);
    const ScanValues& body = *statement.scan;
    const ScanValues& trailer = reader.inForce(ir ? ScanKind::TIR : ScanKind::TDR);
    const uint64_t total = uint64_t{header.bitCount} + body.bitCount + trailer.bitCount;
    const char* name = ir ? "SIR" : "SDR";
    scanHeaderBits = header.bitCount;
    scanTrailerBits = trailer.bitCount;
    scanParts = std::string(ir ? "HIR " : "HDR ") + std::to_string(header.bitCount) + " + " + name +
                " " + std::to_string(body.bitCount) + " + " + (ir ? "TIR " : "TDR ") +
                std::to_string(trailer.bitCount);

    if (total == 0 || total > std::numeric_limits<uint32_t>::max()) {
        report(Severity::Error, statement.position.column, kScanDoesNotFit,
               std::string(name) + ": " + std::to_string(total) + " bits (" + scanParts +
                   ") do not fit the chain; the scan is not played");
        return;
    }
    // A scan that continues one from a pause may be of any length: the registers keep the last
    // bits shifted.
    const bool continues = chain.state() == (ir ? KELJTAG_PAUSE_IR : KELJTAG_PAUSE_DR);
    if (ir && !continues) {
        checkIrScan(total, statement.position.column);
    }

    // One scan, header first: bit 0 of the buffer is the first into TDI.
    const uint8_t* tdi = body.tdi.data();
    if (header.bitCount != 0 || trailer.bitCount != 0) {
        tdiAll.assign(bytesFor(total), 0);
        KelPlugin::copyBits(tdiAll.data(), 0, header.tdi.data(), 0, header.bitCount);
        KelPlugin::copyBits(tdiAll.data(), header.bitCount, body.tdi.data(), 0, body.bitCount);
        KelPlugin::copyBits(tdiAll.data(), header.bitCount + body.bitCount, trailer.tdi.data(), 0,
                            trailer.bitCount);
        tdi = tdiAll.data();
    }

    // What a continued shift brings out was shifted in before: known.
    drCaptureKnown.assign(chain.deviceCount(), true);
    drCaptureCare.assign(chain.deviceCount(), ~uint64_t{0});
    idcodeCaptured = false;
    pendingDr = PendingDr{!ir && !continues, total};
    irCaptured = false;
    moveTo(ir ? KELJTAG_SHIFT_IR : KELJTAG_SHIFT_DR);
    pendingDr.active = false;

    const bool tdoGiven = header.tdoGiven || body.tdoGiven || trailer.tdoGiven;
    if (tdoGiven) {
        tdoAll.resize(bytesFor(total));
        markKnownTdo(ir, total);
    }
    chain.shift(tdi, tdoGiven ? tdoAll.data() : nullptr, static_cast<uint32_t>(total), true);
    if (tdoGiven) {
        const ScanValues* vectors[3] = {&header, &body, &trailer};
        compareTdo(ir, vectors, total);
    }
    const kelsvfreader::StatesInForce states = reader.statesInForce();
    moveTo(ir ? states.endIR : states.endDR);
}

void ChainPlayer::Impl::checkIrScan(uint64_t total, uint64_t column) {
    std::vector<uint64_t> lengths;
    std::string sum;
    for (const DeviceDescription& device : chainDescription.devices) {
        lengths.push_back(device.irLength);
        sum += (sum.empty() ? "" : " + ") + std::to_string(device.irLength);
    }
    if (total != chainDescription.irPathLength()) {
        report(Severity::Error, column, kScanDoesNotFit,
               "SIR: " + std::to_string(total) + " bits (" + scanParts +
                   ") do not fit the chain: its instruction registers take " +
                   std::to_string(chainDescription.irPathLength()) + " bits (" + sum + ")");
    } else {
        checkWholeDevices(lengths, true, column);
    }
}

void ChainPlayer::Impl::prepareDrScan() {
    uint64_t known = 0;
    unknownDevices.clear();
    std::string path;
    for (size_t i = 0; i < chain.deviceCount(); ++i) {
        kelsim::SimulatedDevice& device = chain.device(i);
        const std::optional<uint32_t>& idcode = chainDescription.devices[i].idcode;
        path += path.empty() ? "" : ", ";
        path += "device " + std::to_string(i);
        if (const std::optional<uint64_t> length = partRegisterLength(i, path)) {
            known += *length;
        } else if (device.selectedByReset() && idcode.value_or(0) != 0) {
            known += kIdcodeLength;
            idcodeCaptured = true;
            path += " IDCODE 32";
        } else if (device.selectedByReset() && !idcode) {
            unknownDevices.push_back(i);
            drCaptureKnown[i] = false;
            path += " after a reset (IDCODE or BYPASS) 1 or more";
        } else if (device.instruction() == device.bypassInstruction()) {
            known += 1;
            path += " BYPASS 1";
        } else {
            unknownDevices.push_back(i);
            drCaptureKnown[i] = false;
            path += " instruction " + hexInstruction(device.instruction()) + " 1 or more";
        }
    }
    const uint64_t total = pendingDr.totalBits;
    const uint64_t unknown = unknownDevices.size();
    const uint64_t left = total > known ? total - known : 0;
    const bool fits = unknown == 0 ? total == known
                                   : left >= unknown && left - (unknown - 1) <=
                                                            std::numeric_limits<uint32_t>::max();
    if (!fits) {
        report(Severity::Error, 0, kScanDoesNotFit,
               "SDR: " + std::to_string(total) + " bits (" + scanParts +
                   ") do not fit the chain: its data registers take " +
                   (unknown == 0 ? "" : "at least ") + std::to_string(known + unknown) + " bits (" +
                   path + ")");
    } else if (unknown > 1) {
        report(Severity::Warning, 0, kDrSplitAssumed,
               "SDR: " + std::to_string(left) + " bits for " + std::to_string(unknown) +
                   " devices whose data register lengths are unknown (" + path +
                   "); taken as 1 bit each but device " + std::to_string(unknownDevices.back()) +
                   ", nearest TDO");
    }
    for (const size_t i : unknownDevices) {
        const uint32_t length =
            fits && i == unknownDevices.back() ? static_cast<uint32_t>(left - (unknown - 1)) : 1;
        kelsim::SimulatedDevice& device = chain.device(i);
        const kelsim::DataRegister& selected = device.selectedDataRegister();
        if (device.selectedByReset()) {
            device.setResetRegisterLength(length);
        } else if (&selected == &device.bypassRegister() || selected.length() != length) {
            device.addDataRegister(device.instruction(), length);
        }
    }
    if (fits && unknown <= 1) {  // every length known: the header and trailer must fit them
        checkWholeDevices(selectedDrLengths(), false, 0);
    }
}

std::optional<uint64_t> ChainPlayer::Impl::partRegisterLength(size_t i, std::string& path) {
    const DeviceDescription& described = chainDescription.devices[i];
    kelsim::SimulatedDevice& device = chain.device(i);
    if (!described.part) {
        return std::nullopt;
    }
    if (device.instruction() == device.bypassInstruction()) {
        path += " BYPASS 1";
        return 1;
    }
    if (device.idcode() != 0 && device.instruction() == device.idcodeInstruction()) {
        path += " IDCODE: DEVICE_ID 32";
        idcodeCaptured = true;
        drCaptureCare[i] = knownIdcodeCapture(described);
        return kIdcodeLength;
    }
    const kelbsdl::Instruction* selecting = partInstruction(*described.part, device.instruction());
    const std::optional<uint64_t> length =
        selecting != nullptr ? described.part->registerLength(*selecting) : std::nullopt;
    if (!length || *length == 0 || *length > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;  // a register the part does not give: of unknown length
    }
    path += " " + selecting->name + ": " + selecting->registerName + " " + std::to_string(*length);
    if (selecting->registerName == "BYPASS") {
        return 1;  // the simulation's BYPASS: no register of its own was made for it
    }
    // What the register captures is the part's own.
    drCaptureKnown[i] = false;
    kelsim::DataRegister& selected = device.selectedDataRegister();
    if (&selected == &device.bypassRegister() || selected.length() != *length) {
        device.addDataRegister(device.instruction(), static_cast<uint32_t>(*length));
    }
    return length;
}

std::vector<uint64_t> ChainPlayer::Impl::selectedDrLengths() {
    std::vector<uint64_t> lengths;
    for (size_t i = 0; i < chain.deviceCount(); ++i) {
        lengths.push_back(chain.device(i).selectedDataRegister().length());
    }
    return lengths;
}

}  // namespace kelsvf::check
