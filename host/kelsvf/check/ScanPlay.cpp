// SIR and SDR: the whole scan (header, statement, trailer) through the chain, and whether it
// fits the registers the devices have selected.
#include <cstdio>
#include <limits>

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

}  // namespace

void ChainPlayer::Impl::playScan(bool ir, const kelsvfreader::Statement& statement,
                                 kelsvfreader::SvfReader& reader) {
    const ScanValues& header = reader.inForce(ir ? ScanKind::HIR : ScanKind::HDR);
    const ScanValues& body = *statement.scan;
    const ScanValues& trailer = reader.inForce(ir ? ScanKind::TIR : ScanKind::TDR);
    const uint64_t total = uint64_t{header.bitCount} + body.bitCount + trailer.bitCount;
    const char* name = ir ? "SIR" : "SDR";
    const std::string parts = std::string(ir ? "HIR " : "HDR ") + std::to_string(header.bitCount) +
                              " + " + name + " " + std::to_string(body.bitCount) + " + " +
                              (ir ? "TIR " : "TDR ") + std::to_string(trailer.bitCount);

    if (total == 0 || total > std::numeric_limits<uint32_t>::max()) {
        report(Severity::Error, statement.position.column, kScanDoesNotFit,
               std::string(name) + ": " + std::to_string(total) + " bits (" + parts +
                   ") do not fit the chain; the scan is not played");
        return;
    }
    if (ir && total != spec.irPathLength()) {
        std::string lengths;
        for (const DeviceSpec& device : spec.devices) {
            lengths += (lengths.empty() ? "" : " + ") + std::to_string(device.irLength);
        }
        report(Severity::Error, statement.position.column, kScanDoesNotFit,
               std::string(name) + ": " + std::to_string(total) + " bits (" + parts +
                   ") do not fit the chain: its instruction registers take " +
                   std::to_string(spec.irPathLength()) + " bits (" + lengths + ")");
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

    if (!ir) {
        pendingDr = PendingDr{true, false, total, parts};
    }
    moveTo(ir ? KELJTAG_SHIFT_IR : KELJTAG_SHIFT_DR);
    if (!ir && !pendingDr.prepared) {
        checkDrStagesAsTheyAre();
    }
    pendingDr.active = false;

    const bool tdoGiven = header.tdoGiven || body.tdoGiven || trailer.tdoGiven;
    if (tdoGiven) {
        tdoAll.resize(bytesFor(total));
    }
    chain.shift(tdi, tdoGiven ? tdoAll.data() : nullptr, static_cast<uint32_t>(total), true);
    if (tdoGiven) {
        const ScanValues* scanParts[3] = {&header, &body, &trailer};
        compareTdo(ir, scanParts, total);
    }
    const kelsvfreader::StatesInForce states = reader.statesInForce();
    moveTo(ir ? states.endIR : states.endDR);
}

void ChainPlayer::Impl::prepareDrScan() {
    pendingDr.prepared = true;
    uint64_t known = 0;
    unknownDevices.clear();
    std::string path;
    for (size_t i = 0; i < chain.deviceCount(); ++i) {
        kelsim::SimulatedDevice& device = chain.device(i);
        path += path.empty() ? "" : ", ";
        path += "device " + std::to_string(i);
        if (device.idcodeSelectedByReset()) {
            known += kIdcodeLength;
            path += " IDCODE 32";
        } else if (device.instruction() == device.bypassInstruction()) {
            known += 1;
            path += " BYPASS 1";
        } else {
            unknownDevices.push_back(i);
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
               "SDR: " + std::to_string(total) + " bits (" + pendingDr.parts +
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
        if (&selected == &device.bypassRegister() || selected.length() != length) {
            device.addDataRegister(device.instruction(), length);
        }
    }
}

void ChainPlayer::Impl::checkDrStagesAsTheyAre() {
    uint64_t stages = 0;
    for (size_t i = 0; i < chain.deviceCount(); ++i) {
        stages += chain.device(i).activeStage().length();
    }
    if (stages != pendingDr.totalBits) {
        report(Severity::Error, 0, kScanDoesNotFit,
               "SDR: " + std::to_string(pendingDr.totalBits) + " bits (" + pendingDr.parts +
                   ") do not fit the chain: the shift continues without a capture through data "
                   "registers of " +
                   std::to_string(stages) + " bits");
    }
}

}  // namespace kelsvf::check
