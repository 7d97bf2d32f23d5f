// Scans of the whole chain's IR or DR. A target supplies the two shifts; reads and writes default
// to them, through the public (traced) shift so that a target's override applies.
#include <cstddef>
#include <cstring>

#include "TracedCall.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

constexpr size_t bytesForBits(uint32_t bitCount) {
    return (size_t{bitCount} + 7u) / 8u;
}

void fillBits(uint8_t* buffer, bool fill, uint32_t bitCount) {
    std::memset(buffer, fill ? 0xFF : 0x00, bytesForBits(bitCount));
}

}  // namespace

KelResult KelPlugin::readChainIRImpl(bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                     uint32_t bitCount, TapState endState,
                                     CallContext callContext) {
    if (tdo == nullptr) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> readChainIR called with a NULL tdo buffer\n");
        return KEL_FAILURE;
    }
    // The fill value is driven from the caller's buffer, which then receives the capture.
    fillBits(tdo, fill, bitCount);
    return shiftChainIR(tdo, tdo, nullptr, tdoMask, bitCount, endState, callContext);
}

KelResult KelPlugin::writeChainIRImpl(const uint8_t* tdi, const uint8_t* tdiMask, uint32_t bitCount,
                                      TapState endState, CallContext callContext) {
    return shiftChainIR(tdi, nullptr, tdiMask, nullptr, bitCount, endState, callContext);
}

KelResult KelPlugin::readChainDRImpl(bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                     uint32_t bitCount, TapState endState,
                                     CallContext callContext) {
    if (tdo == nullptr) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> readChainDR called with a NULL tdo buffer\n");
        return KEL_FAILURE;
    }
    fillBits(tdo, fill, bitCount);
    return shiftChainDR(tdo, tdo, nullptr, tdoMask, bitCount, endState, callContext);
}

KelResult KelPlugin::writeChainDRImpl(const uint8_t* tdi, const uint8_t* tdiMask, uint32_t bitCount,
                                      TapState endState, CallContext callContext) {
    return shiftChainDR(tdi, nullptr, tdiMask, nullptr, bitCount, endState, callContext);
}

KelResult KelPlugin::readChainIR(bool fill, uint8_t* tdo, const uint8_t* tdoMask, uint32_t bitCount,
                                 TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::readChainIR", [&] {
        return readChainIRImpl(fill, tdo, tdoMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::writeChainIR(const uint8_t* tdi, const uint8_t* tdiMask, uint32_t bitCount,
                                  TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::writeChainIR", [&] {
        return writeChainIRImpl(tdi, tdiMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::shiftChainIR(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                                  const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                  CallContext callContext) {
    return framework::tracedCall("KelPlugin::shiftChainIR", [&] {
        return shiftChainIRImpl(tdi, tdo, tdiMask, tdoMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::readChainDR(bool fill, uint8_t* tdo, const uint8_t* tdoMask, uint32_t bitCount,
                                 TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::readChainDR", [&] {
        return readChainDRImpl(fill, tdo, tdoMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::writeChainDR(const uint8_t* tdi, const uint8_t* tdiMask, uint32_t bitCount,
                                  TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::writeChainDR", [&] {
        return writeChainDRImpl(tdi, tdiMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::shiftChainDR(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                                  const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                  CallContext callContext) {
    return framework::tracedCall("KelPlugin::shiftChainDR", [&] {
        return shiftChainDRImpl(tdi, tdo, tdiMask, tdoMask, bitCount, endState, callContext);
    });
}

}  // namespace KelPluginInterface
