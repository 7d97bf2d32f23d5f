// TEMPORARY STUBS: replace with the real bodies.
#include "svf/SVFFile.h"

namespace KelPluginInterface {

SVFFile::SVFFile() = default;
SVFFile::~SVFFile() = default;
KelResult SVFFile::initializeTargetImpl(uint32_t, const char* const*) { return KEL_FAILURE; }
KelResult SVFFile::openTargetImpl(uint32_t, const char* const*, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::closeTargetImpl() { return KEL_SUCCESS; }
KelResult SVFFile::navigateTAPImpl(TapState, uint32_t) { return KEL_FAILURE; }
KelResult SVFFile::initializeTAPImpl() { return KEL_FAILURE; }
KelResult SVFFile::shiftChainIRImpl(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::shiftChainDRImpl(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::readDeviceIRImpl(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::writeDeviceIRImpl(uint32_t, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::shiftDeviceIRImpl(uint32_t, const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::readDeviceDRImpl(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::writeDeviceDRImpl(uint32_t, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
KelResult SVFFile::shiftDeviceDRImpl(uint32_t, const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, uint32_t, TapState, CallContext) { return KEL_FAILURE; }
TapState SVFFile::getTAPStateImpl() { return KELJTAG_TEST_LOGIC_RESET; }
KelResult SVFFile::unlockTargetImpl() { return KEL_FAILURE; }

}  // namespace KelPluginInterface
