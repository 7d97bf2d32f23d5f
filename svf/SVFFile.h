// SVFFile: the target that records the host's TAP moves and device writes as SVF text.
#ifndef KEL_SVF_SVFFILE_H
#define KEL_SVF_SVFFILE_H

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "kel/KelPlugin.h"
#include "svf/SvfStates.h"
#include "svf/SvfWriter.h"

namespace KelPluginInterface {

class SVFFile : public KelPlugin {
  public:
    SVFFile();
    ~SVFFile() override;

  protected:
    KelResult initializeTargetImpl(uint32_t optionCount, const char* const* optionList) override;
    KelResult openTargetImpl(uint32_t optionCount, const char* const* optionList,
                             CallContext callContext) override;
    KelResult closeTargetImpl() override;
    // Writes the wait as the minimum time of the navigation's run; never sleeps or flushes.
    KelResult navigateTAPImpl(TapState state, uint32_t count, uint32_t wait) override;
    // Refuses clocks in a state SVF cannot hold the TAP in.
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
    // Refused while no file is open or after a lost write; fails when a statement of the lock
    // was lost.
    KelResult lockTargetImpl(uint32_t flags) override;
    KelResult unlockTargetImpl() override;
    // Writes the wait as a run in the state the replay is in; never sleeps or flushes.
    KelResult waitTimeImpl(uint32_t wait) override;

  private:
    // The lengths of the header and trailer statements for one device; those in force in the
    // file are remembered, so that a changed chain gets new ones even for the same device.
    struct PadLengths {
        uint32_t hir = 0;  // IR bits of the devices toward TDO
        uint32_t tir = 0;  // IR bits of the devices toward TDI
        uint32_t hdr = 0;  // one bypass bit per device toward TDO
        uint32_t tdr = 0;  // one bypass bit per device toward TDI
        bool operator==(const PadLengths&) const = default;
    };
    PadLengths padLengthsFor(uint32_t device) const;

    KelResult writeDevice(const char* operation, svf::RegisterKind kind, uint32_t device,
                          const uint8_t* tdi, uint32_t bitCount, TapState endState);
    // Makes the header and trailer statements in force select `device`.
    KelResult shiftIR(uint32_t device);
    bool writePadStatement(std::string_view keyword, uint32_t bitCount, uint8_t fillByte);
    bool writeScanStatement(svf::RegisterKind kind, const uint8_t* tdi, uint32_t bitCount);
    // Makes `endState` the end state in force for scans of this register kind.
    bool writeScanEndState(svf::RegisterKind kind, TapState endState);
    KelResult writeText(std::string_view text);
    // Clocks and a wait spent in `state`, one of the four holdable states, as one or more
    // RUNTEST statements (clocks in Test-Logic-Reset are dropped; nothing left, nothing written).
    bool writeRun(TapState state, uint32_t clocks, uint32_t microseconds);
    // False when the statement was lost (reported as such).
    bool written(const svf::WriteResult& result);

    // False, with an error message, when there is no file to write to or an earlier write to
    // it was lost.
    bool requireWritableFile();
    void reportEarlierLoss();
    // Counts a stream call that lost data and reports it with the system's reason (error, an
    // errno value; 0 for none), naming the file. Every later statement on the file is refused.
    void noteLostWrite(const char* action, int error);
    // Reports "<SVFFile> <reason> in <operation>\n".
    void reportRefusal(const char* reason, const char* operation);

    FILE* outputFile = nullptr;
    // The stream's buffer, larger than the C library's default so that a long scan reaches the
    // file in few large writes. Lives exactly as long as outputFile.
    std::unique_ptr<char[]> streamBuffer;
    int32_t selectedDevice = -1;
    PadLengths padsInForce;
    std::string outputFileName;
    // Grows with every stream call that failed. Operations that call other public operations,
    // whose results they must ignore, compare it before and after to see a lost write.
    uint64_t lostWrites = 0;
    // Set by the first lost write to the open file: a file with a gap is not written on.
    bool writeLost = false;
    svf::ReplayState replay;
    // The wait that the waiting navigation hands to the nested navigation it calls.
    uint32_t pendingWait = 0;
};

}  // namespace KelPluginInterface

#endif  // KEL_SVF_SVFFILE_H
