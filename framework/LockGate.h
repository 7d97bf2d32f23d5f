// The exclusive-lock gate shared by navigateTAP and scanJTAGChain.
#ifndef KEL_FRAMEWORK_LOCK_GATE_H
#define KEL_FRAMEWORK_LOCK_GATE_H

namespace KelPluginInterface::framework {

// True, after printing the refusal at print level 1, when the target does not own the lock. The
// caller then writes the failure result text and returns KEL_FAILURE without doing anything else.
bool refusedWithoutLock(bool lockOwned);

}  // namespace KelPluginInterface::framework

#endif  // KEL_FRAMEWORK_LOCK_GATE_H
