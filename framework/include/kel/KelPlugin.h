// KelPluginInterface::KelPlugin: the abstract JTAG target that hosts drive through its vtable.
//
// FROZEN INTERFACE. Hosts call every virtual below through its slot in the vtable, so the order
// of the virtual declarations, their signatures and the record layouts are part of the binary
// contract. Never reorder, insert, remove or change a virtual; never change a record.
//
// Conventions of the contract comments:
//   [lock]      refused unless the target holds the exclusive port lock (lockTarget)
//   borrowed    the caller's buffer or text is only used during the call
//   bit buffer  bit i of a string is bit (i % 8) of byte (i / 8); bit 0 is shifted into TDI first
//               and is the first bit captured from TDO
// Every public operation except the three untraced setters traces its entry and result text.
// Results are KelResult: KEL_SUCCESS, KEL_FAILURE, or a derived target's own code.
#ifndef KEL_PLUGIN_H
#define KEL_PLUGIN_H

#include <cstddef>
#include <cstdint>

#include "kel/DeviceTable.h"
#include "kel/KelPluginBoundary.h"
#include "kel/TapStateMachine.h"

namespace KelPluginInterface {

// Passed by value as the last argument of every scan, of openTarget and of sendCommand. The
// framework never reads it; it is forwarded for the target's own use.
struct CallContext {
    int32_t tag;
    uint64_t value;
};

// What getTargetInfo copies to the host: exactly 11268 bytes, texts NUL-terminated.
struct KelTargetInfo {
    char targetType[8192];     // the latest "type" option given to openTarget
    char pluginName[2048];     // "KEL Plug-in"
    char pluginVersion[1024];  // "KelPlugin Version 1.0"
    uint32_t reserved;         // always zero
};

static_assert(sizeof(CallContext) == 16, "CallContext layout is part of the host contract");
static_assert(offsetof(CallContext, value) == 8, "CallContext layout is part of the host contract");
static_assert(sizeof(KelTargetInfo) == 11268, "KelTargetInfo is 11268 bytes");
static_assert(offsetof(KelTargetInfo, targetType) == 0, "KelTargetInfo layout");
static_assert(offsetof(KelTargetInfo, pluginName) == 8192, "KelTargetInfo layout");
static_assert(offsetof(KelTargetInfo, pluginVersion) == 10240, "KelTargetInfo layout");
static_assert(offsetof(KelTargetInfo, reserved) == 11264, "KelTargetInfo layout");
static_assert(sizeof(DeviceRecord) == 16, "DeviceRecord is four 32-bit fields");
static_assert(sizeof(TapState) == 4, "TapState travels as a 32-bit integer");

class KelPlugin {
  protected:
    // ===== Implementation operations (slots 0-37), overridden by concrete targets ===========

    // --- Lifecycle -------------------------------------------------------------------------
    // Checks the open options. Default: accepts anything.
    virtual KelResult initializeTargetImpl(uint32_t optionCount, const char* const* optionList);
    virtual KelResult openTargetImpl(uint32_t optionCount, const char* const* optionList,
                                     CallContext callContext) = 0;
    virtual KelResult closeTargetImpl() = 0;

    // --- TAP -------------------------------------------------------------------------------
    // Default: navigateTAP(state, count), then flush and sleep `wait` microseconds (rounded up
    // to whole milliseconds).
    virtual KelResult navigateTAPImpl(TapState state, uint32_t count, uint32_t wait);
    // Moves the TAP to `state`, then runs `count` further TCK clocks there.
    virtual KelResult navigateTAPImpl(TapState state, uint32_t count) = 0;
    // Brings the TAP to Test-Logic-Reset.
    virtual KelResult initializeTAPImpl() = 0;

    // --- Chain-level shifts: the whole chain's IR or DR, bitCount bits ---------------------
    // Must accept tdo == tdi, a null tdo and null masks.
    virtual KelResult shiftChainIRImpl(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                                       const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                       CallContext callContext) = 0;
    virtual KelResult shiftChainDRImpl(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                                       const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                       CallContext callContext) = 0;
    // Defaults: built on the public shiftChainIR / shiftChainDR.
    virtual KelResult readChainIRImpl(bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                      uint32_t bitCount, TapState endState,
                                      CallContext callContext);
    virtual KelResult writeChainIRImpl(const uint8_t* tdi, const uint8_t* tdiMask,
                                       uint32_t bitCount, TapState endState,
                                       CallContext callContext);
    virtual KelResult readChainDRImpl(bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                      uint32_t bitCount, TapState endState,
                                      CallContext callContext);
    virtual KelResult writeChainDRImpl(const uint8_t* tdi, const uint8_t* tdiMask,
                                       uint32_t bitCount, TapState endState,
                                       CallContext callContext);

    // --- Device-level shifts: one device's bits, every other device in BYPASS ---------------
    virtual KelResult readDeviceIRImpl(uint32_t device, bool fill, uint8_t* tdo,
                                       const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                       CallContext callContext);
    virtual KelResult writeDeviceIRImpl(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                        uint32_t bitCount, TapState endState,
                                        CallContext callContext);
    virtual KelResult shiftDeviceIRImpl(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                        const uint8_t* tdiMask, const uint8_t* tdoMask,
                                        uint32_t bitCount, TapState endState,
                                        CallContext callContext);
    virtual KelResult readDeviceDRImpl(uint32_t device, bool fill, uint8_t* tdo,
                                       const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                       CallContext callContext);
    virtual KelResult writeDeviceDRImpl(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                        uint32_t bitCount, TapState endState,
                                        CallContext callContext);
    virtual KelResult shiftDeviceDRImpl(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                        const uint8_t* tdiMask, const uint8_t* tdoMask,
                                        uint32_t bitCount, TapState endState,
                                        CallContext callContext);

    // --- Status, lock ----------------------------------------------------------------------
    virtual KelResult isConnectedImpl(int32_t* connected);
    virtual TapState getTAPStateImpl();
    virtual KelResult lockTargetImpl(uint32_t flags);
    virtual KelResult unlockTargetImpl();
    virtual KelResult cleanLocksImpl();

    // --- Pass-through operations (defaults refuse with a "not implemented" note) -----------
    virtual KelResult flushImpl();
    virtual KelResult setPinImpl(uint32_t pin, uint32_t value);
    virtual KelResult getPinImpl(uint32_t pin, uint32_t* valueOut);
    virtual KelResult pulsePinImpl(uint32_t pin, uint32_t duration);
    virtual KelResult waitTimeImpl(uint32_t wait);  // default: flush, then sleep
    virtual KelResult setWaitTimeAndRetriesImpl(uint32_t waitTime, uint32_t retries);
    virtual KelResult getTargetInfoImpl(KelTargetInfo* info);
    virtual KelResult sendCommandImpl(const char* command, const void* data, uint32_t dataLength,
                                      uintptr_t reply, uintptr_t replySize,
                                      CallContext callContext);
    virtual KelResult setOptionImpl(const char* key, const char* value);
    virtual KelResult getOptionImpl(const char* key, uintptr_t reply, uintptr_t replySize);
    virtual KelResult isFileOutputImpl(int32_t* flag);
    virtual KelResult writeCommentImpl(uintptr_t comment);
    virtual KelResult writeHeaderImpl(uintptr_t header);
    virtual KelResult scanEndStateImpl(uint32_t first, uint32_t second);
    virtual KelResult startOperationImpl(uint32_t operation);

  public:
    // ===== Destructor (on this ABI: two slots, 38 and 39) ==================================
    // Traces only; closes nothing. Hosts destroy targets with KelPlugin_destroy.
    virtual ~KelPlugin();

    // ===== Public operations (slots 40-90), called by the host =============================

    // --- Lifecycle -------------------------------------------------------------------------
    // Traced wrapper of initializeTargetImpl. optionList: optionCount borrowed "key=value" texts.
    virtual KelResult initializeTarget(uint32_t optionCount, const char* const* optionList);
    // Closes an open target first, records "type", validates, then opens.
    virtual KelResult openTarget(uint32_t optionCount, const char* const* optionList,
                                 CallContext callContext);
    // Releases the lock if owned, then closes. Fails on a target that is not open.
    virtual KelResult closeTarget();
    virtual bool isOpened();
    // Stores 1 or 0 through `connected`.
    virtual KelResult isConnected(int32_t* connected);

    // --- Chain description -----------------------------------------------------------------
    // [lock] From the file named by ZOR_VANTORA_JTAGFILE when set, else a live IDCODE scan.
    virtual KelResult scanJTAGChain();
    virtual KelResult fileScanJTAGChain(const char* path);
    virtual KelResult targetScanJTAGChain();
    virtual uint32_t getDeviceCount();
    // Up to 255 devices; a new count clears every IDCODE and IR length.
    virtual KelResult setDeviceCount(uint32_t count);
    virtual uint32_t getIRLength(uint32_t device);
    virtual KelResult setIRLength(uint32_t device, uint32_t length);
    virtual uint32_t getDeviceID(uint32_t device);
    virtual KelResult setDeviceID(uint32_t device, uint32_t deviceId);
    // Copies the 11268-byte record into `info`.
    virtual KelResult getTargetInfo(KelTargetInfo* info);
    // Untraced: the context passed with every messageCallback of this target.
    virtual void setMessageContext(int32_t context);
    // Untraced: a value the host stores here; read it back with getUserData.
    virtual void setUserData(uint64_t data);

    // --- Port lock -------------------------------------------------------------------------
    // Takes the lock, resets the TAP and moves it to Run-Test/Idle.
    virtual KelResult lockTarget(uint32_t flags);
    // Moves the TAP to Run-Test/Idle if needed and gives the lock back.
    virtual KelResult unlockTarget();
    virtual KelResult cleanLocks();
    // Untraced: marks the lock as owned or not, touching nothing else.
    virtual KelResult setLockOwned(bool owned);

    // --- TAP -------------------------------------------------------------------------------
    virtual TapState getTAPState();
    virtual KelResult initializeTAP();
    // [lock] Moves to `state`, clocks `count` times there, then waits `wait` microseconds.
    virtual KelResult navigateTAP(TapState state, uint32_t count, uint32_t wait);
    // [lock] Moves to `state`, then clocks `count` times there.
    virtual KelResult navigateTAP(TapState state, uint32_t count);

    // --- Chain-level scans (bit buffers borrowed; tdo may equal tdi) ------------------------
    virtual KelResult readChainIR(bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                  uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult writeChainIR(const uint8_t* tdi, const uint8_t* tdiMask, uint32_t bitCount,
                                   TapState endState, CallContext callContext);
    virtual KelResult shiftChainIR(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                                   const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                   CallContext callContext);
    virtual KelResult readChainDR(bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                  uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult writeChainDR(const uint8_t* tdi, const uint8_t* tdiMask, uint32_t bitCount,
                                   TapState endState, CallContext callContext);
    virtual KelResult shiftChainDR(const uint8_t* tdi, uint8_t* tdo, const uint8_t* tdiMask,
                                   const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                   CallContext callContext);

    // --- Device-level scans (the device's own bits only; device 0 is nearest TDI) ----------
    virtual KelResult readDeviceIR(uint32_t device, bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                   uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult writeDeviceIR(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                    uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult shiftDeviceIR(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                    const uint8_t* tdiMask, const uint8_t* tdoMask,
                                    uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult readDeviceDR(uint32_t device, bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                   uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult writeDeviceDR(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                    uint32_t bitCount, TapState endState, CallContext callContext);
    virtual KelResult shiftDeviceDR(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                    const uint8_t* tdiMask, const uint8_t* tdoMask,
                                    uint32_t bitCount, TapState endState, CallContext callContext);

    // --- Pass-through operations -----------------------------------------------------------
    virtual KelResult flush();
    virtual KelResult setPin(uint32_t pin, uint32_t value);
    virtual KelResult getPin(uint32_t pin, uint32_t* valueOut);
    virtual KelResult pulsePin(uint32_t pin, uint32_t duration);
    // Waits `wait` microseconds (rounded up to whole milliseconds) after a flush.
    virtual KelResult waitTime(uint32_t wait);
    virtual KelResult setWaitTimeAndRetries(uint32_t waitTime, uint32_t retries);
    // The generic command channel ("set" with "key=value", "get" with "key").
    virtual KelResult sendCommand(const char* command, const void* data, uint32_t dataLength,
                                  uintptr_t reply, uintptr_t replySize, CallContext callContext);
    virtual KelResult setOption(const char* key, const char* value);
    virtual KelResult getOption(const char* key, uintptr_t reply, uintptr_t replySize);
    // Stores 1 when the target writes a file rather than driving a cable (0 on every target so
    // far, the SVF target included).
    virtual KelResult isFileOutput(int32_t* flag);
    virtual KelResult writeComment(uintptr_t comment);
    virtual KelResult writeHeader(uintptr_t header);
    virtual KelResult scanEndState(uint32_t first, uint32_t second);
    virtual KelResult startOperation(uint32_t operation);

    // ===== Non-virtual members (not in the vtable; usable inside the library and by targets
    // built with the framework, not by hosts) ==============================================

    uint64_t getUserData() const { return userData; }

    // The value of `key` (ASCII case-insensitive) inside the caller's option text, or null.
    static const char* findKey(uint32_t optionCount, const char* const* optionList,
                               const char* key);

    uint32_t getIRHeadingPadBits(uint32_t device);
    uint32_t getIRTrailingPadBits(uint32_t device);
    uint32_t getDRHeadingPadBits(uint32_t device);
    uint32_t getDRTrailingPadBits(uint32_t device);

    // Copies numBits bits from bit srcStart of src to bit dstStart of dst; other bits of dst keep
    // their values. The ranges must not overlap.
    static void copyBits(uint8_t* dst, uint32_t dstStart, const uint8_t* src, uint32_t srcStart,
                         uint32_t numBits);
    // out = buffer AND mask over (bitCount + 7) / 8 bytes; out may alias either input.
    KelResult maskBuffer(uint8_t* out, const uint8_t* buffer, const uint8_t* mask,
                         uint32_t bitCount);

    // Sends `text` to the host's messageCallback and prints it with the level's prefix.
    void reportMessage(uint32_t level, const char* text);
    // Hands a printf-style print to the host's printCallback; never formats it here.
    static void printMessage(uint32_t level, const char* format, ...)
        __attribute__((format(printf, 2, 3)));

  protected:
    KelPlugin();

    KelPlugin(const KelPlugin&) = delete;
    KelPlugin& operator=(const KelPlugin&) = delete;

    // The live chain scan's common tail and the device-scan helpers live in their own files.
    KelResult finishChainScan(DeviceTable& scanned);

    TapStateMachine tapState;
    DeviceTable deviceTable;
    KelTargetInfo targetInfo;
    int32_t messageContext = 0;
    uint64_t userData = 0;
    bool lockOwned = false;
    bool opened = false;
};

}  // namespace KelPluginInterface

#endif  // KEL_PLUGIN_H
