#include "script/TapStateNames.h"

#include <array>

#include "common/TextUtil.h"

namespace kelsvf {
namespace {

using KelPluginInterface::TapState;

struct StateNames {
    std::string_view svf;
    std::string_view kel;
};

// Indexed by the TapState value: the order of the sixteen states is the same in both names.
constexpr std::array<StateNames, 16> kNames{{
    {"RESET", "KELJTAG_TEST_LOGIC_RESET"},
    {"IDLE", "KELJTAG_RUN_TEST_IDLE"},
    {"DRSELECT", "KELJTAG_SELECT_DR_SCAN"},
    {"DRCAPTURE", "KELJTAG_CAPTURE_DR"},
    {"DRSHIFT", "KELJTAG_SHIFT_DR"},
    {"DREXIT1", "KELJTAG_EXIT1_DR"},
    {"DRPAUSE", "KELJTAG_PAUSE_DR"},
    {"DREXIT2", "KELJTAG_EXIT2_DR"},
    {"DRUPDATE", "KELJTAG_UPDATE_DR"},
    {"IRSELECT", "KELJTAG_SELECT_IR_SCAN"},
    {"IRCAPTURE", "KELJTAG_CAPTURE_IR"},
    {"IRSHIFT", "KELJTAG_SHIFT_IR"},
    {"IREXIT1", "KELJTAG_EXIT1_IR"},
    {"IRPAUSE", "KELJTAG_PAUSE_IR"},
    {"IREXIT2", "KELJTAG_EXIT2_IR"},
    {"IRUPDATE", "KELJTAG_UPDATE_IR"},
}};

}  // namespace

std::optional<TapState> tapStateFromName(std::string_view name) {
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (equalsIgnoringCase(name, kNames[i].svf) || equalsIgnoringCase(name, kNames[i].kel)) {
            return static_cast<TapState>(i);
        }
    }
    return std::nullopt;
}

std::string_view svfStateName(TapState state) {
    return KelPluginInterface::isValidTapState(state) ? kNames[static_cast<size_t>(state)].svf
                                                      : "?";
}

std::string_view kelStateName(TapState state) {
    return KelPluginInterface::isValidTapState(state) ? kNames[static_cast<size_t>(state)].kel
                                                      : "?";
}

}  // namespace kelsvf
