// Reading, resetting and moving the TAP through the public operations, and the default waiting
// navigation.
#include "LockGate.h"
#include "TracedCall.h"
#include "WaitTime.h"
#include "boundary/Guard.h"
#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

// A name for every value, so that no null ever reaches a "%s" of a print.
const char* printableStateName(TapState state) {
    const char* name = TapStateMachine::getStateName(state);
    return name != nullptr ? name : "0 (NULL)";
}

// Checked after the lock gate, so a host without the lock always hears about the lock first.
bool refusedInvalidState(TapState state) {
    if (isValidTapState(state)) {
        return false;
    }
    KelPlugin::printMessage(KEL_PRINT_ERROR,
                            "<KelPlugin> navigateTAP called with an invalid TAP state %d\n",
                            static_cast<int>(state));
    return true;
}

}  // namespace

TapState KelPlugin::getTAPStateImpl() {
    return tapState.getState();
}

KelResult KelPlugin::navigateTAPImpl(TapState state, uint32_t count, uint32_t wait) {
    const KelResult result = navigateTAP(state, count);
    if (wait == 0) {
        return result;
    }
    // The wait runs whatever the navigation returned; a failed flush does not shorten it.
    flush();
    framework::sleepWholeMilliseconds(wait);
    printMessage(KEL_PRINT_DETAIL, "<KelPlugin> navigateTAPImpl:Slept for %u microSeconds...\n",
                 wait);
    return result;
}

TapState KelPlugin::getTAPState() {
    boundary::TraceScope trace("KelPlugin::getTAPState");
    const TapState state = boundary::guarded("KelPlugin::getTAPState", tapState.getState(),
                                             [&] { return getTAPStateImpl(); });
    trace.resultText(TapStateMachine::getStateName(state));
    return state;
}

KelResult KelPlugin::initializeTAP() {
    return framework::tracedCall("KelPlugin::initializeTAP", [&] { return initializeTAPImpl(); });
}

KelResult KelPlugin::navigateTAP(TapState state, uint32_t count, uint32_t wait) {
    boundary::TraceScope trace("KelPlugin::navigateTAP");
    const TapState from = tapState.getState();
    if (framework::refusedWithoutLock(lockOwned) || refusedInvalidState(state)) {
        return trace.result(KEL_FAILURE);
    }
    const KelResult result = boundary::guardedResult(
        "KelPlugin::navigateTAP", [&] { return navigateTAPImpl(state, count, wait); });
    printMessage(KEL_PRINT_DETAIL, "KelPlugin::navigateTAP FROM %s TO(%s,%u,%u) returning %d\n",
                 printableStateName(from), printableStateName(state), count, wait, result);
    return trace.result(result);
}

KelResult KelPlugin::navigateTAP(TapState state, uint32_t count) {
    boundary::TraceScope trace("KelPlugin::navigateTAP");
    const TapState from = tapState.getState();
    if (framework::refusedWithoutLock(lockOwned) || refusedInvalidState(state)) {
        return trace.result(KEL_FAILURE);
    }
    const KelResult result = boundary::guardedResult("KelPlugin::navigateTAP",
                                                     [&] { return navigateTAPImpl(state, count); });
    printMessage(KEL_PRINT_DETAIL, "KelPlugin::navigateTAP FROM %s TO(%s,%u) returning %d\n",
                 printableStateName(from), printableStateName(state), count, result);
    return trace.result(result);
}

}  // namespace KelPluginInterface
