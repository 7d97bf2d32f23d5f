// TEMPORARY STUBS: replace with the real bodies.
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

KelResult KelPlugin::lockTargetImpl(uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::unlockTargetImpl() { return KEL_FAILURE; }
KelResult KelPlugin::cleanLocksImpl() { return KEL_FAILURE; }
KelResult KelPlugin::lockTarget(uint32_t) { return KEL_FAILURE; }
KelResult KelPlugin::unlockTarget() { return KEL_FAILURE; }
KelResult KelPlugin::cleanLocks() { return KEL_FAILURE; }
KelResult KelPlugin::setLockOwned(bool) { return KEL_FAILURE; }

}  // namespace KelPluginInterface
