// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::readDeviceIRImpl(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeDeviceIRImpl(uint32_t, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::shiftDeviceIRImpl(uint32_t, const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::readDeviceDRImpl(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeDeviceDRImpl(uint32_t, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::shiftDeviceDRImpl(uint32_t, const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::readDeviceIR(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeDeviceIR(uint32_t, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::shiftDeviceIR(uint32_t, const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::readDeviceDR(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeDeviceDR(uint32_t, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::shiftDeviceDR(uint32_t, const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
