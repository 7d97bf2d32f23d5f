// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::readChainIRImpl(bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeChainIRImpl(const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::readChainDRImpl(bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeChainDRImpl(const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::readChainIR(bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeChainIR(const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::shiftChainIR(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::readChainDR(bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeChainDR(const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::shiftChainDR(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
