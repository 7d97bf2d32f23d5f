#include "SvfNames.h"

#include <array>
#include <string_view>
#include <utility>

namespace kelsvfreader {
namespace {

using namespace KelPluginInterface;

// Indexed by TapState: SVF names the sixteen states in the same order.
constexpr std::array<std::string_view, 16> kStateNames = {
    "RESET",    "IDLE",     "DRSELECT",  "DRCAPTURE", "DRSHIFT", "DREXIT1", "DRPAUSE", "DREXIT2",
    "DRUPDATE", "IRSELECT", "IRCAPTURE", "IRSHIFT",   "IREXIT1", "IRPAUSE", "IREXIT2", "IRUPDATE"};

// Successors for TMS 0 and TMS 1, indexed by TapState.
constexpr std::array<std::pair<TapState, TapState>, 16> kSuccessors = {{
    {KELJTAG_RUN_TEST_IDLE, KELJTAG_TEST_LOGIC_RESET},  // RESET
    {KELJTAG_RUN_TEST_IDLE, KELJTAG_SELECT_DR_SCAN},    // IDLE
    {KELJTAG_CAPTURE_DR, KELJTAG_SELECT_IR_SCAN},       // DRSELECT
    {KELJTAG_SHIFT_DR, KELJTAG_EXIT1_DR},               // DRCAPTURE
    {KELJTAG_SHIFT_DR, KELJTAG_EXIT1_DR},               // DRSHIFT
    {KELJTAG_PAUSE_DR, KELJTAG_UPDATE_DR},              // DREXIT1
    {KELJTAG_PAUSE_DR, KELJTAG_EXIT2_DR},               // DRPAUSE
    {KELJTAG_SHIFT_DR, KELJTAG_UPDATE_DR},              // DREXIT2
    {KELJTAG_RUN_TEST_IDLE, KELJTAG_SELECT_DR_SCAN},    // DRUPDATE
    {KELJTAG_CAPTURE_IR, KELJTAG_TEST_LOGIC_RESET},     // IRSELECT
    {KELJTAG_SHIFT_IR, KELJTAG_EXIT1_IR},               // IRCAPTURE
    {KELJTAG_SHIFT_IR, KELJTAG_EXIT1_IR},               // IRSHIFT
    {KELJTAG_PAUSE_IR, KELJTAG_UPDATE_IR},              // IREXIT1
    {KELJTAG_PAUSE_IR, KELJTAG_EXIT2_IR},               // IRPAUSE
    {KELJTAG_SHIFT_IR, KELJTAG_UPDATE_IR},              // IREXIT2
    {KELJTAG_RUN_TEST_IDLE, KELJTAG_SELECT_DR_SCAN},    // IRUPDATE
}};

// string_view names: a lookup compares lengths first and never measures a name.
struct KeywordName {
    std::string_view name;
    Keyword keyword;
};

constexpr std::array<KeywordName, 14> kKeywords = {{
    {"ENDDR", Keyword::EndDR},
    {"ENDIR", Keyword::EndIR},
    {"FREQUENCY", Keyword::Frequency},
    {"HDR", Keyword::HDR},
    {"HIR", Keyword::HIR},
    {"PIO", Keyword::PIO},
    {"PIOMAP", Keyword::PIOMap},
    {"RUNTEST", Keyword::RunTest},
    {"SDR", Keyword::SDR},
    {"SIR", Keyword::SIR},
    {"STATE", Keyword::State},
    {"TDR", Keyword::TDR},
    {"TIR", Keyword::TIR},
    {"TRST", Keyword::TRST},
}};

}  // namespace

std::optional<Keyword> keywordByName(std::string_view word) {
    for (const auto& entry : kKeywords) {
        if (!word.empty() && word[0] == entry.name[0] && word == entry.name) {
            return entry.keyword;
        }
    }
    return std::nullopt;
}

std::optional<TapState> stateByName(std::string_view word) {
    for (size_t i = 0; i < kStateNames.size(); ++i) {
        if (!word.empty() && word[0] == kStateNames[i][0] && word == kStateNames[i]) {
            return static_cast<TapState>(i);
        }
    }
    return std::nullopt;
}

bool isStableState(TapState state) {
    return state == KELJTAG_TEST_LOGIC_RESET || state == KELJTAG_RUN_TEST_IDLE ||
           state == KELJTAG_PAUSE_DR || state == KELJTAG_PAUSE_IR;
}

TapState successorState(TapState state, bool tms) {
    const auto& next = kSuccessors.at(static_cast<size_t>(state));
    return tms ? next.second : next.first;
}

bool pathMayStep(TapState from, TapState to) {
    return to == KELJTAG_TEST_LOGIC_RESET || successorState(from, false) == to ||
           successorState(from, true) == to;
}

const char* keywordName(Keyword keyword) {
    for (const auto& entry : kKeywords) {
        if (entry.keyword == keyword) {
            return entry.name.data();
        }
    }
    return "?";
}

const char* scanKindName(ScanKind kind) {
    static constexpr std::array<const char*, kScanKindCount> kNames = {"HIR", "HDR", "TIR",
                                                                       "TDR", "SIR", "SDR"};
    return kNames.at(static_cast<size_t>(kind));
}

const char* svfStateName(TapState state) {
    return isValidTapState(state) ? kStateNames[static_cast<size_t>(state)].data() : "?";
}

const char* noteKindName(NoteKind kind) {
    switch (kind) {
        case NoteKind::ExtraHexDigits:
            return "extra-hex-digits";
        case NoteKind::LargeCount:
            return "large-count";
        case NoteKind::SeveralStatementsOnLine:
            return "several-statements-on-line";
        case NoteKind::NoLineEndAfterLastStatement:
            return "no-line-end-after-last-statement";
        case NoteKind::PioUsed:
            return "pio-used";
        case NoteKind::RunStateWithoutEndState:
            return "run-state-without-end-state";
        case NoteKind::CountInRealForm:
            return "count-in-real-form";
        case NoteKind::SckClock:
            return "sck-clock";
        case NoteKind::SinglePrecisionTime:
            return "single-precision-time";
        case NoteKind::ScanEndsInReset:
            return "scan-ends-in-reset";
        case NoteKind::MaskLostAfterUncheckedScan:
            return "mask-lost-after-unchecked-scan";
    }
    return "?";
}

}  // namespace kelsvfreader
