// Construction, opening and closing of a target, and what it tells the host about itself.
#include <algorithm>
#include <cstring>

#include "TracedCall.h"
#include "boundary/Guard.h"
#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

// Copies a NUL-terminated text into a fixed field, cut to fit with its NUL; the rest of the field
// is zeroed so that no byte of an earlier, longer text stays behind.
template <size_t N>
void storeText(char (&field)[N], const char* text) {
    const size_t length = strnlen(text, N - 1);
    std::memcpy(field, text, length);
    std::fill(field + length, field + N, '\0');
}

}  // namespace

KelPlugin::KelPlugin() : targetInfo{} {
    boundary::TraceScope trace("KelPlugin::KelPlugin");
    lockOwned = false;
    opened = false;
    messageContext = 0;
    userData = 0;
    storeText(targetInfo.pluginName, "KEL Plug-in");
    storeText(targetInfo.pluginVersion, "KelPlugin Version 1.0");
}

// Closes nothing and keeps the lock as it is: the host closes the target before destroying it.
KelPlugin::~KelPlugin() {
    boundary::TraceScope trace("KelPlugin::~KelPlugin");
}

KelResult KelPlugin::initializeTargetImpl(uint32_t, const char* const*) {
    return KEL_SUCCESS;
}

KelResult KelPlugin::isConnectedImpl(int32_t* connected) {
    *connected = isOpened() ? 1 : 0;
    return KEL_SUCCESS;
}

KelResult KelPlugin::getTargetInfoImpl(KelTargetInfo* info) {
    if (info == nullptr) {
        return KEL_FAILURE;
    }
    std::memcpy(info, &targetInfo, sizeof targetInfo);
    return KEL_SUCCESS;
}

KelResult KelPlugin::initializeTarget(uint32_t optionCount, const char* const* optionList) {
    return framework::tracedCall("KelPlugin::initializeTarget",
                                 [&] { return initializeTargetImpl(optionCount, optionList); });
}

KelResult KelPlugin::openTarget(uint32_t optionCount, const char* const* optionList,
                                CallContext callContext) {
    boundary::TraceScope trace("KelPlugin::openTarget");
    if (isOpened()) {
        printMessage(KEL_PRINT_STATUS, "Closing previously opened connection\n");
        closeTarget();
    }
    // Recorded before the options are checked, so a refused open still updates the type.
    if (const char* type = findKey(optionCount, optionList, "type")) {
        storeText(targetInfo.targetType, type);
    }
    if (kelFailed(initializeTarget(optionCount, optionList))) {
        return KEL_FAILURE;  // the exit trace stays empty: initializeTarget traced the reason
    }
    opened = false;
    const KelResult code = boundary::guardedResult("KelPlugin::openTarget", [&] {
        return openTargetImpl(optionCount, optionList, callContext);
    });
    if (kelSucceeded(code)) {
        opened = true;
    }
    return trace.result(code);
}

KelResult KelPlugin::closeTarget() {
    boundary::TraceScope trace("KelPlugin::closeTarget");
    if (!isOpened()) {
        reportMessage(KEL_MSG_ERROR,
                      "<KelPlugin> closeTarget() called but target was not opened!\n");
        return trace.result(KEL_FAILURE);
    }
    if (lockOwned) {
        unlockTarget();
    }
    const KelResult code =
        boundary::guardedResult("KelPlugin::closeTarget", [&] { return closeTargetImpl(); });
    opened = false;  // closed whatever the target reported
    return trace.result(code);
}

bool KelPlugin::isOpened() {
    boundary::TraceScope trace("KelPlugin::isOpened");
    return trace.resultBool(opened);
}

KelResult KelPlugin::isConnected(int32_t* connected) {
    if (connected == nullptr) {
        boundary::TraceScope trace("KelPlugin::isConnected");
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> isConnected called with a NULL pointer\n");
        return trace.result(KEL_FAILURE);
    }
    return framework::tracedCall("KelPlugin::isConnected",
                                 [&] { return isConnectedImpl(connected); });
}

KelResult KelPlugin::getTargetInfo(KelTargetInfo* info) {
    // A null record is the implementation's to refuse; the default does so without a message.
    return framework::tracedCall("KelPlugin::getTargetInfo",
                                 [&] { return getTargetInfoImpl(info); });
}

void KelPlugin::setMessageContext(int32_t context) {
    messageContext = context;
}

void KelPlugin::setUserData(uint64_t data) {
    userData = data;
}

}  // namespace KelPluginInterface
