// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

uint32_t KelPlugin::getDeviceCount() { return 0; }
KelResult KelPlugin::setDeviceCount(uint32_t) { return KEL_FAILURE; }
uint32_t KelPlugin::getIRLength(uint32_t) { return 0; }
KelResult KelPlugin::setIRLength(uint32_t, uint32_t) { return KEL_FAILURE; }
uint32_t KelPlugin::getDeviceID(uint32_t) { return 0; }
KelResult KelPlugin::setDeviceID(uint32_t, uint32_t) { return KEL_FAILURE; }
uint32_t KelPlugin::getIRHeadingPadBits(uint32_t) { return 0; }
uint32_t KelPlugin::getIRTrailingPadBits(uint32_t) { return 0; }
uint32_t KelPlugin::getDRHeadingPadBits(uint32_t) { return 0; }
uint32_t KelPlugin::getDRTrailingPadBits(uint32_t) { return 0; }

}  // namespace KelPluginInterface
