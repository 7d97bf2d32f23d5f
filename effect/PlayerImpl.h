// The ChainPlayer's insides, shared by its files: the statement loop and TAP moves
// (ChainPlayer.cpp), the scans (ScanPlay.cpp) and the TDO comparison (TdoCompare.cpp).
#ifndef KELSVF_CHECK_PLAYER_IMPL_H
#define KELSVF_CHECK_PLAYER_IMPL_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ChainPlayer.h"
#include "kelsim/SimulatedChain.h"

namespace kelsvf::check {

using KelPluginInterface::TapState;

struct ChainPlayer::Impl {
    Impl(const ChainDescription& chainDescription, PlaySink& sink, PlayOptions options);

    // --- ChainPlayer.cpp
    void play(const kelsvfreader::Statement& statement, kelsvfreader::SvfReader& reader);
    void reportNotes(const kelsvfreader::SvfReader& reader,
                     const kelsvfreader::Statement* statement);
    void report(Severity severity, uint64_t column, const char* kind, std::string text);
    void playState(const kelsvfreader::Statement& statement);
    void playRunTest(const kelsvfreader::RunTest& run);
    // One TCK with TDI low, and what the state entered makes the devices do.
    void clockTms(bool tms);
    // The shortest path to `target`; nothing when the TAP is there.
    void moveTo(TapState target);
    void reportIrUpdates();
    // The names of a device's instruction from its part ("" without one); a warning when the
    // part has no such opcode; counts the loads that change non-volatile state.
    std::string nameInstruction(size_t device, uint64_t instruction);
    void reportDrUpdates();
    uint64_t totalClocks() const;
    void addTime(uint64_t clocks);
    void addWait(uint64_t microseconds);

    // --- ScanPlay.cpp
    void playScan(bool ir, const kelsvfreader::Statement& statement,
                  kelsvfreader::SvfReader& reader);
    // An IR scan that starts with a capture must fit the IRs.
    void checkIrScan(uint64_t total, uint64_t column);
    // At Capture-DR of a scan: gives each device's selected register its length for the scan.
    void prepareDrScan();
    std::vector<uint64_t> selectedDrLengths();
    // A device with a BSDL file whose instruction selects a register of known length: that
    // length (the register made so in the simulation), its part of `path`; nothing otherwise.
    std::optional<uint64_t> partRegisterLength(size_t device, std::string& path);
    // An error when the scan's header or trailer ends inside a device of these lengths.
    void checkWholeDevices(const std::vector<uint64_t>& lengths, bool ir, uint64_t column);

    // --- TdoCompare.cpp
    // In Shift-IR/DR, before the shift: which of the scan's TDO bits the simulation knows.
    void markKnownTdo(bool ir, uint64_t totalBits);
    void compareTdo(bool ir, const kelsvfreader::ScanValues* parts[3], uint64_t totalBits);

    ChainDescription chainDescription;
    PlaySink& sink;
    PlayOptions options;
    kelsim::SimulatedChain chain;
    PlaySummary counts;
    bool finished = false;

    uint64_t line = 0;         // of the statement being played
    double fileFrequency = 0;  // a FREQUENCY in force, 0 for none
    long double seconds = 0;   // the replay time so far

    // The DR scan being played, until it reaches Shift-DR.
    struct PendingDr {
        bool active = false;
        uint64_t totalBits = 0;
    } pendingDr;
    // An IR scan passed Capture-IR on its way to Shift-IR (else it continues one from Pause-IR).
    bool irCaptured = false;
    // The scan being played: its header and trailer lengths, and its parts for messages
    // ("HDR 1 + SDR 32 + TDR 2").
    uint64_t scanHeaderBits = 0;
    uint64_t scanTrailerBits = 0;
    std::string scanParts;

    // Buffers reused from scan to scan: the whole scan's TDI, its TDO, the expected TDO and
    // mask when headers or trailers take part, one instruction's bytes.
    std::vector<uint8_t> tdiAll;
    std::vector<uint8_t> tdoAll;
    std::vector<uint8_t> expectedAll;
    std::vector<uint8_t> maskAll;
    std::vector<size_t> unknownDevices;
    // Per device, at the last DR capture of a scan: whether the register captured a value the
    // simulation knows (BYPASS, IDCODE after a reset), not one of unknown instruction.
    std::vector<bool> drCaptureKnown;
    // Per device, at that capture: the bits of a register the part's BSDL fixes only in part
    // (an IDCODE whose version is X); all ones otherwise.
    std::vector<uint64_t> drCaptureCare;
    bool idcodeCaptured = false;    // a device's IDCODE register took part in that capture
    std::vector<uint8_t> knownAll;  // the scan's TDO bits the simulation knows
};

// (bits + 7) / 8.
inline size_t bytesFor(uint64_t bits) {
    return static_cast<size_t>((bits + 7) / 8);
}

}  // namespace kelsvf::check

#endif  // KELSVF_CHECK_PLAYER_IMPL_H
