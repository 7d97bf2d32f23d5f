// The exclusive port lock: a per-target flag that TAP navigation and the chain scan require.
#include "LockGate.h"
#include "TracedCall.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

namespace framework {

bool refusedWithoutLock(bool lockOwned) {
    if (lockOwned) {
        return false;
    }
    KelPlugin::printMessage(
        KEL_PRINT_ERROR,
        "<KelPlugin> Operation not permitted without obtaining an exclusive lock!\n");
    return true;
}

}  // namespace framework

KelResult KelPlugin::lockTargetImpl(uint32_t) {
    if (lockOwned) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> Port already locked by same handle!\n");
        return KEL_FAILURE;
    }
    // Owned before the TAP moves, so that the navigation below passes the lock gate. A failed
    // navigation leaves the lock owned: the host still has to give it back.
    lockOwned = true;
    initializeTAP();
    return navigateTAP(KELJTAG_RUN_TEST_IDLE, 0);
}

KelResult KelPlugin::unlockTargetImpl() {
    if (!lockOwned) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> Port lock not owned by this process\n");
        return KEL_FAILURE;
    }
    // Read from the holder, not through getTAPState: no trace, and a target's override of the
    // reported state does not decide whether the TAP is parked.
    if (tapState.getState() != KELJTAG_RUN_TEST_IDLE) {
        navigateTAP(KELJTAG_RUN_TEST_IDLE, 0);
    }
    lockOwned = false;
    return KEL_SUCCESS;
}

KelResult KelPlugin::cleanLocksImpl() {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::cleanLocksImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::lockTarget(uint32_t flags) {
    return framework::tracedCall("KelPlugin::lockTarget", [&] { return lockTargetImpl(flags); });
}

KelResult KelPlugin::unlockTarget() {
    return framework::tracedCall("KelPlugin::unlockTarget", [&] { return unlockTargetImpl(); });
}

KelResult KelPlugin::cleanLocks() {
    return framework::tracedCall("KelPlugin::cleanLocks", [&] { return cleanLocksImpl(); });
}

KelResult KelPlugin::setLockOwned(bool owned) {
    lockOwned = owned;
    return KEL_SUCCESS;
}

}  // namespace KelPluginInterface
