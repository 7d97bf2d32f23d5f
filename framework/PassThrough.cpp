// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::flushImpl() { return KEL_FAILURE; }
KelResult KelPlugin::setPinImpl(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::getPinImpl(uint32_t, uint32_t*) { return KEL_FAILURE; }
KelResult KelPlugin::pulsePinImpl(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::waitTimeImpl(uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::setWaitTimeAndRetriesImpl(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::sendCommandImpl(const char*, const void*, uint32_t, uintptr_t, uintptr_t, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeCommentImpl(uintptr_t) { return KEL_FAILURE; }
KelResult KelPlugin::writeHeaderImpl(uintptr_t) { return KEL_FAILURE; }
KelResult KelPlugin::scanEndStateImpl(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::startOperationImpl(uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::flush() { return KEL_FAILURE; }
KelResult KelPlugin::setPin(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::getPin(uint32_t, uint32_t*) { return KEL_FAILURE; }
KelResult KelPlugin::pulsePin(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::waitTime(uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::setWaitTimeAndRetries(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::sendCommand(const char*, const void*, uint32_t, uintptr_t, uintptr_t, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::writeComment(uintptr_t) { return KEL_FAILURE; }
KelResult KelPlugin::writeHeader(uintptr_t) { return KEL_FAILURE; }
KelResult KelPlugin::scanEndState(uint32_t, uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::startOperation(uint32_t) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
