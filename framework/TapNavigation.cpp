// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::navigateTAPImpl(TapState, uint32_t, uint32_t) { return KEL_FAILURE; }
TapState KelPlugin::getTAPStateImpl() { return KELJTAG_TEST_LOGIC_RESET; }
TapState KelPlugin::getTAPState() { return KELJTAG_TEST_LOGIC_RESET; }
KelResult KelPlugin::initializeTAP() { return KEL_FAILURE; }
KelResult KelPlugin::navigateTAP(TapState, uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::navigateTAP(TapState, uint32_t) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
