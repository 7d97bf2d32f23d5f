// TAP state names as a JTAG engineer writes them in SVF (IDLE, DRPAUSE, ...) and as the plug-in
// names them in traces (KELJTAG_RUN_TEST_IDLE, ...).
#ifndef KELSVF_TAP_STATE_NAMES_H
#define KELSVF_TAP_STATE_NAMES_H

#include <optional>
#include <string_view>

#include "kel/TapStateMachine.h"

namespace kelsvf {

// "IDLE", "drpause", "KELJTAG_PAUSE_DR": SVF names and the plug-in's names, any case.
std::optional<KelPluginInterface::TapState> tapStateFromName(std::string_view name);

// The SVF name ("DRPAUSE"), or "?" for a value outside 0..15.
std::string_view svfStateName(KelPluginInterface::TapState state);

// The plug-in's name ("KELJTAG_PAUSE_DR"), or "?" for a value outside 0..15.
std::string_view kelStateName(KelPluginInterface::TapState state);

}  // namespace kelsvf

#endif  // KELSVF_TAP_STATE_NAMES_H
