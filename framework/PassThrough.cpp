// Operations the framework hands straight to the target: pins, waits, flush, the command channel,
// comments, headers, the scan end state and the operation marker. The defaults refuse with a note,
// except the wait, which waits.
#include "TracedCall.h"
#include "WaitTime.h"
#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

// --- Defaults ---------------------------------------------------------------------------------

KelResult KelPlugin::flushImpl() {
    printMessage(KEL_PRINT_STATUS, "KelPlugin::flushImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::setPinImpl(uint32_t, uint32_t) {
    printMessage(KEL_PRINT_STATUS, "KelPlugin::setPinImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::getPinImpl(uint32_t, uint32_t*) {
    printMessage(KEL_PRINT_STATUS, "KelPlugin::getPinImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::pulsePinImpl(uint32_t, uint32_t) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::pulsePinImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::waitTimeImpl(uint32_t wait) {
    flush();  // whatever is buffered goes out before the pause; a failure does not stop the wait
    if (wait != 0) {
        framework::sleepWholeMilliseconds(wait);
    }
    printMessage(KEL_PRINT_DETAIL, "<KelPlugin> waitTimeImpl:Slept for %u us...\n", wait);
    return KEL_SUCCESS;
}

KelResult KelPlugin::setWaitTimeAndRetriesImpl(uint32_t, uint32_t) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::setWaitTimeAndRetriesImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::sendCommandImpl(const char*, const void*, uint32_t, uintptr_t, uintptr_t,
                                     CallContext) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::sendCommandImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::writeCommentImpl(uintptr_t) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::writeCommentImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::writeHeaderImpl(uintptr_t) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::writeHeaderImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::scanEndStateImpl(uint32_t, uint32_t) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::scanEndStateImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

KelResult KelPlugin::startOperationImpl(uint32_t) {
    printMessage(KEL_PRINT_STATUS,
                 "KelPlugin::startOperationImpl() is not implemented for this Target\n");
    return KEL_FAILURE;
}

// --- Public operations ------------------------------------------------------------------------

KelResult KelPlugin::flush() {
    return framework::tracedCall("KelPlugin::flush", [&] { return flushImpl(); });
}

KelResult KelPlugin::setPin(uint32_t pin, uint32_t value) {
    return framework::tracedCall("KelPlugin::setPin", [&] { return setPinImpl(pin, value); });
}

KelResult KelPlugin::getPin(uint32_t pin, uint32_t* valueOut) {
    if (valueOut == nullptr) {
        boundary::TraceScope trace("KelPlugin::getPin");
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> getPin called with a NULL pointer\n");
        return trace.result(KEL_FAILURE);
    }
    return framework::tracedCall("KelPlugin::getPin", [&] { return getPinImpl(pin, valueOut); });
}

KelResult KelPlugin::pulsePin(uint32_t pin, uint32_t duration) {
    return framework::tracedCall("KelPlugin::pulsePin",
                                 [&] { return pulsePinImpl(pin, duration); });
}

KelResult KelPlugin::waitTime(uint32_t wait) {
    return framework::tracedCall("KelPlugin::waitTime", [&] { return waitTimeImpl(wait); });
}

KelResult KelPlugin::setWaitTimeAndRetries(uint32_t waitTime, uint32_t retries) {
    return framework::tracedCall("KelPlugin::setWaitTimeAndRetries",
                                 [&] { return setWaitTimeAndRetriesImpl(waitTime, retries); });
}

KelResult KelPlugin::sendCommand(const char* command, const void* data, uint32_t dataLength,
                                 uintptr_t reply, uintptr_t replySize, CallContext callContext) {
    return framework::tracedCall("KelPlugin::sendCommand", [&] {
        return sendCommandImpl(command, data, dataLength, reply, replySize, callContext);
    });
}

KelResult KelPlugin::writeComment(uintptr_t comment) {
    return framework::tracedCall("KelPlugin::writeComment",
                                 [&] { return writeCommentImpl(comment); });
}

KelResult KelPlugin::writeHeader(uintptr_t header) {
    return framework::tracedCall("KelPlugin::writeHeader", [&] { return writeHeaderImpl(header); });
}

KelResult KelPlugin::scanEndState(uint32_t first, uint32_t second) {
    return framework::tracedCall("KelPlugin::scanEndState",
                                 [&] { return scanEndStateImpl(first, second); });
}

KelResult KelPlugin::startOperation(uint32_t operation) {
    return framework::tracedCall("KelPlugin::startOperation",
                                 [&] { return startOperationImpl(operation); });
}

}  // namespace KelPluginInterface
