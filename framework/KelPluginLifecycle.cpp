// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelPlugin::KelPlugin() : targetInfo{} {}
KelPlugin::~KelPlugin() {}
KelResult KelPlugin::initializeTargetImpl(uint32_t, const char* const*) { return 0; }
KelResult KelPlugin::isConnectedImpl(int32_t*) { return KEL_FAILURE; }
KelResult KelPlugin::getTargetInfoImpl(KelTargetInfo*) { return KEL_FAILURE; }
KelResult KelPlugin::initializeTarget(uint32_t, const char* const*) { return KEL_FAILURE; }
KelResult KelPlugin::openTarget(uint32_t, const char* const*, CallContext) { return KEL_FAILURE; }
KelResult KelPlugin::closeTarget() { return KEL_FAILURE; }
bool KelPlugin::isOpened() { return false; }
KelResult KelPlugin::isConnected(int32_t*) { return KEL_FAILURE; }
KelResult KelPlugin::getTargetInfo(KelTargetInfo*) { return KEL_FAILURE; }
void KelPlugin::setMessageContext(int32_t) {  }
void KelPlugin::setUserData(uint64_t) {  }

}  // namespace KelPluginInterface
