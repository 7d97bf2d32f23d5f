// The host's view of the chain model: device count, IDCODEs, IR lengths and pad bits.
#include <cstdint>

#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

// The host's prints take "%d"; the values travel as their 32-bit signed reading.
int32_t asPrinted(uint32_t value) {
    return static_cast<int32_t>(value);
}

// The sum of every other device's IR length plus `length`, in 64 bits.
uint64_t totalIRLengthWith(const DeviceTable& table, uint32_t device, uint32_t length) {
    uint64_t total = length;
    for (uint32_t index = 0; index < table.deviceCount(); ++index) {
        if (index != device) {
            total += table.irLength(index);
        }
    }
    return total;
}

}  // namespace

uint32_t KelPlugin::getDeviceCount() {
    boundary::TraceScope trace("KelPlugin::getDeviceCount");
    return trace.resultUnsigned(deviceTable.deviceCount());
}

KelResult KelPlugin::setDeviceCount(uint32_t count) {
    boundary::TraceScope trace("KelPlugin::setDeviceCount");
    if (count > KEL_MAX_DEVICES) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> device count too large\n");
        return trace.result(KEL_FAILURE);
    }
    if (count == deviceTable.deviceCount()) {
        // Same chain length: keep what the host already told about the devices.
        printMessage(KEL_PRINT_DETAIL, "KelPlugin::setDeviceCount(%d) UNCHANGED\n",
                     asPrinted(count));
        return trace.result(KEL_SUCCESS);
    }
    deviceTable.clear();
    deviceTable.setDeviceCount(count);
    printMessage(KEL_PRINT_DETAIL, "KelPlugin::setDeviceCount(%d)\n", asPrinted(count));
    return trace.result(KEL_SUCCESS);
}

uint32_t KelPlugin::getIRLength(uint32_t device) {
    boundary::TraceScope trace("KelPlugin::getIRLength");
    return trace.resultUnsigned(deviceTable.irLength(device));
}

KelResult KelPlugin::setIRLength(uint32_t device, uint32_t length) {
    boundary::TraceScope trace("KelPlugin::setIRLength");
    printMessage(KEL_PRINT_DETAIL, "KelPlugin::setIRLength(device=%d, len=%d)\n", asPrinted(device),
                 asPrinted(length));
    if (device >= deviceTable.deviceCount()) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> ERROR:Attempted to set IRLength for device out of bounds\n");
        return trace.result(KEL_FAILURE);
    }
    // Every padded IR scan covers the whole chain's IR in one 32-bit bit count.
    if (totalIRLengthWith(deviceTable, device, length) > UINT32_MAX) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> ERROR:IRLength makes the chain's total IR length exceed "
                     "4294967295 bits\n");
        return trace.result(KEL_FAILURE);
    }
    deviceTable.setDeviceIRLength(device, length);
    return trace.result(KEL_SUCCESS);
}

uint32_t KelPlugin::getDeviceID(uint32_t device) {
    boundary::TraceScope trace("KelPlugin::getDeviceID");
    if (device >= deviceTable.deviceCount()) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> device count too large\n");
    }
    return trace.resultUnsigned(deviceTable.deviceId(device));
}

KelResult KelPlugin::setDeviceID(uint32_t device, uint32_t deviceId) {
    boundary::TraceScope trace("KelPlugin::setDeviceID");
    printMessage(KEL_PRINT_DETAIL, "KelPlugin::setDeviceID(%d, %x)\n", asPrinted(device), deviceId);
    if (device >= deviceTable.deviceCount()) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> device index out of bounds in setDeviceID\n");
        return trace.result(KEL_FAILURE);
    }
    deviceTable.setDeviceId(device, deviceId);
    return trace.result(KEL_SUCCESS);
}

uint32_t KelPlugin::getIRHeadingPadBits(uint32_t device) {
    boundary::TraceScope trace("KelPlugin::getIRHeadingPadBits");
    return trace.resultUnsigned(deviceTable.irHeadingPadBits(device));
}

uint32_t KelPlugin::getIRTrailingPadBits(uint32_t device) {
    boundary::TraceScope trace("KelPlugin::getIRTrailingPadBits");
    return trace.resultUnsigned(deviceTable.irTrailingPadBits(device));
}

uint32_t KelPlugin::getDRHeadingPadBits(uint32_t device) {
    boundary::TraceScope trace("KelPlugin::getDRHeadingPadBits");
    return trace.resultUnsigned(deviceTable.drHeadingPadBits(device));
}

uint32_t KelPlugin::getDRTrailingPadBits(uint32_t device) {
    boundary::TraceScope trace("KelPlugin::getDRTrailingPadBits");
    // No bounds check: an index at or beyond the count wraps, as the host may rely on.
    return trace.resultUnsigned(deviceTable.drTrailingPadBits(device));
}

}  // namespace KelPluginInterface
