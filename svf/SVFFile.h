// SVFFile: the target that records the host's TAP moves and device writes as SVF text.
#ifndef KEL_SVF_SVFFILE_H
#define KEL_SVF_SVFFILE_H

#include <cstdio>

#include "kel/KelPlugin.h"

namespace KelPluginInterface {

class SVFFile : public KelPlugin {
  public:
    SVFFile();
    ~SVFFile() override;

  protected:
    using KelPlugin::navigateTAPImpl;

    KelResult initializeTargetImpl(uint32_t optionCount, const char* const* optionList) override;
    KelResult openTargetImpl(uint32_t optionCount, const char* const* optionList,
                             CallContext callContext) override;
    KelResult closeTargetImpl() override;
    KelResult navigateTAPImpl(TapState state, uint32_t count) override;
    KelResult initializeTAPImpl() override;
    KelResult shiftChainIRImpl(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                               const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                               CallContext callContext) override;
    KelResult shiftChainDRImpl(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                               const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                               CallContext callContext) override;
    KelResult readDeviceIRImpl(uint32_t device, bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                               uint32_t bitCount, TapState endState,
                               CallContext callContext) override;
    KelResult writeDeviceIRImpl(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                uint32_t bitCount, TapState endState,
                                CallContext callContext) override;
    KelResult shiftDeviceIRImpl(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                const uint8_t* tdiMask, const uint8_t* tdoMask, uint32_t bitCount,
                                TapState endState, CallContext callContext) override;
    KelResult readDeviceDRImpl(uint32_t device, bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                               uint32_t bitCount, TapState endState,
                               CallContext callContext) override;
    KelResult writeDeviceDRImpl(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                uint32_t bitCount, TapState endState,
                                CallContext callContext) override;
    KelResult shiftDeviceDRImpl(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                const uint8_t* tdiMask, const uint8_t* tdoMask, uint32_t bitCount,
                                TapState endState, CallContext callContext) override;
    TapState getTAPStateImpl() override;
    KelResult unlockTargetImpl() override;

  private:
    FILE* outputFile = nullptr;
    int32_t selectedDevice = -1;
};

}  // namespace KelPluginInterface

#endif  // KEL_SVF_SVFFILE_H
