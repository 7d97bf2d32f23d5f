// Device-level scans: one device's bits inside a whole-chain buffer in which every other device
// sits in BYPASS, shifted through the chain-level operations of the target.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "TracedCall.h"
#include "boundary/CallbackTable.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

constexpr uint8_t kOnes = 0xFF;
constexpr uint8_t kZeros = 0x00;

// What one default prints when it refuses. Each text is a complete print without conversions.
struct RefusalTexts {
    const char* irLengthsNotSet;
    const char* deviceOutOfRange;
    const char* nullBuffer;
    const char* bitCountAboveIRLength;  // IR scans only
    const char* tooLong;
    const char* noShiftBuffer;
    const char* noMaskBuffer;
};

constexpr RefusalTexts kShiftDeviceIR{
    "<KelPlugin> shiftDeviceIR called but not all IR lengths set!\n",
    "<KelPlugin> shiftDeviceIR called with a device index beyond the chain!\n",
    "<KelPlugin> shiftDeviceIR called with a NULL buffer!\n",
    "<KelPlugin> shiftDeviceIR called with bitCount > device IR Length!\n",
    "<KelPlugin> shiftDeviceIR called but the chain's IR is longer than 32 bits can count!\n",
    "<KelPlugin> shiftDeviceIR:Memory could not be allocated for shift buffer\n",
    "<KelPlugin> shiftDeviceIR:Memory could not be allocated for mask buffer\n",
};

constexpr RefusalTexts kWriteDeviceIR{
    "<KelPlugin> writeDeviceIR called but not all IR lengths set!\n",
    "<KelPlugin> writeDeviceIR called with a device index beyond the chain!\n",
    "<KelPlugin> writeDeviceIR called with a NULL buffer!\n",
    "<KelPlugin> writeDeviceIR called with bitCount > device IR Length!\n",
    "<KelPlugin> writeDeviceIR called but the chain's IR is longer than 32 bits can count!\n",
    "<KelPlugin> writeDeviceIR:Memory could not be allocated for shift buffer\n",
    "<KelPlugin> writeDeviceIR:Memory could not be allocated for mask buffer\n",
};

constexpr const char* kReadDeviceIRNullBuffer =
    "<KelPlugin> readDeviceIR called with a NULL buffer!\n";

constexpr RefusalTexts kShiftDeviceDR{
    "<KelPlugin> shiftDeviceDR called but not all IR lengths set!\n",
    "<KelPlugin> shiftDeviceDR called with a device index beyond the chain!\n",
    "<KelPlugin> shiftDeviceDR called with a NULL buffer!\n",
    nullptr,
    "<KelPlugin> shiftDeviceDR called with bitCount too large to pad for the chain!\n",
    "<KelPlugin> shiftDeviceDR:Memory could not be allocated for shift buffer\n",
    "<KelPlugin> shiftDeviceDR:Memory could not be allocated for mask buffer\n",
};

constexpr RefusalTexts kReadDeviceDR{
    "<KelPlugin> readDeviceDR called but not all IR lengths set!\n",
    "<KelPlugin> readDeviceDR called with a device index beyond the chain!\n",
    "<KelPlugin> readDeviceDR called with a NULL buffer!\n",
    nullptr,
    "<KelPlugin> readDeviceDR called with bitCount too large to pad for the chain!\n",
    "<KelPlugin> readDeviceDR:Memory could not be allocated for shift buffer\n",
    "<KelPlugin> readDeviceDR:Memory could not be allocated for mask buffer\n",
};

constexpr RefusalTexts kWriteDeviceDR{
    "<KelPlugin> writeDeviceDR called but not all IR lengths set!\n",
    "<KelPlugin> writeDeviceDR called with a device index beyond the chain!\n",
    "<KelPlugin> writeDeviceDR called with a NULL buffer!\n",
    nullptr,
    "<KelPlugin> writeDeviceDR called with bitCount too large to pad for the chain!\n",
    "<KelPlugin> writeDeviceDR:Memory could not be allocated for shift buffer\n",
    "<KelPlugin> writeDeviceDR:Memory could not be allocated for mask buffer\n",
};

// The texts above hold no conversion, so each one is its own print format.
bool refuse(const char* text) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    KelPlugin::printMessage(KEL_PRINT_ERROR, text);
#pragma GCC diagnostic pop
    return false;
}

// (bitCount + 7) / 8 without wrapping near 2^32.
size_t bytesFor(uint32_t bitCount) {
    return size_t{bitCount / 8} + (bitCount % 8 != 0 ? 1u : 0u);
}

// Where the device's bits sit in the whole-chain buffer: T bits long, the device's first bit at P.
struct ChainLayout {
    uint32_t bits = 0;
    uint32_t position = 0;
};

// Checks shared by every device-level default; prints and returns false on a refusal.
bool acceptDevice(const DeviceTable& table, uint32_t device, bool buffersGiven,
                  const RefusalTexts& texts) {
    if (!table.allIRLengthsSet()) {
        return refuse(texts.irLengthsNotSet);
    }
    // Past the last device the pad arithmetic wraps and would write outside the buffers.
    if (device >= table.deviceCount()) {
        return refuse(texts.deviceOutOfRange);
    }
    if (!buffersGiven) {
        return refuse(texts.nullBuffer);
    }
    return true;
}

// IR scans cover the whole chain's IR; the device's bits go below the IR of the devices nearer TDO.
bool planIRScan(const DeviceTable& table, uint32_t device, bool buffersGiven, uint32_t bitCount,
                const RefusalTexts& texts, ChainLayout& layout) {
    if (!acceptDevice(table, device, buffersGiven, texts)) {
        return false;
    }
    if (bitCount > table.irLength(device)) {
        return refuse(texts.bitCountAboveIRLength);
    }
    // The table refuses IR lengths whose total exceeds 32 bits; summed wide here all the same,
    // since a wrapped total would under-size the buffer.
    uint64_t total = 0;
    for (uint32_t i = 0; i < table.deviceCount(); ++i) {
        total += table.irLength(i);
    }
    if (total > UINT32_MAX) {
        return refuse(texts.tooLong);
    }
    layout = {static_cast<uint32_t>(total), table.irTrailingPadBits(device)};
    return true;
}

// DR scans hold one bypass bit per other device; `padBits` of them are in the buffer.
bool planDRScan(const DeviceTable& table, uint32_t device, bool buffersGiven, uint32_t bitCount,
                uint32_t padBits, uint32_t position, const RefusalTexts& texts,
                ChainLayout& layout) {
    if (!acceptDevice(table, device, buffersGiven, texts)) {
        return false;
    }
    const uint64_t total = uint64_t{bitCount} + padBits;
    if (total > UINT32_MAX) {
        return refuse(texts.tooLong);
    }
    layout = {static_cast<uint32_t>(total), position};
    return true;
}

// One heap block, freed on every way out of the scan.
class HeapBytes {
  public:
    HeapBytes() = default;
    ~HeapBytes() { std::free(bytes_); }
    HeapBytes(const HeapBytes&) = delete;
    HeapBytes& operator=(const HeapBytes&) = delete;

    bool allocate(size_t size) {
        bytes_ = static_cast<uint8_t*>(std::malloc(size));
        return bytes_ != nullptr;
    }
    uint8_t* get() const { return bytes_; }

  private:
    uint8_t* bytes_ = nullptr;
};

// Where the caller's bits go in the whole-chain buffers: bit by bit at P, or as whole bytes at
// the start (the DR write, which passes the caller's last byte on unchanged).
enum class Placement { AtPosition, WholeBytesAtStart };

// The whole-chain buffers of one scan, each T / 8 + 1 bytes: the shift buffer, which is both tdi
// and tdo of the chain-level call, and the padded masks (null where the caller gave none).
class PaddedScan {
  public:
    PaddedScan(ChainLayout layout, uint32_t bitCount, Placement placement,
               const RefusalTexts& texts)
        : layout_(layout),
          bitCount_(bitCount),
          placement_(placement),
          size_(size_t{layout.bits} / 8 + 1),
          texts_(texts) {}

    uint32_t bits() const { return layout_.bits; }
    uint8_t* buffer() const { return buffer_.get(); }
    const uint8_t* tdiMask() const { return tdiMask_.get(); }
    const uint8_t* tdoMask() const { return tdoMask_.get(); }

    // The shift buffer: the caller's bits in their place, `pad` everywhere else.
    bool makeBuffer(uint8_t pad, const uint8_t* bits) {
        return makePadded(buffer_, pad, bits, texts_.noShiftBuffer);
    }
    // A shift buffer left for a chain-level read to fill: every byte `fill` meanwhile.
    bool makeReadBuffer(uint8_t fill) {
        if (!buffer_.allocate(size_)) {
            return refuse(texts_.noShiftBuffer);
        }
        std::memset(buffer_.get(), fill, size_);
        return true;
    }

    // Every other device takes all its TDI bits.
    bool padTdiMask(const uint8_t* mask) {
        return mask == nullptr || makePadded(tdiMask_, kOnes, mask, texts_.noMaskBuffer);
    }
    // Only the device's own captured bits are of interest; the bypass bits are masked out.
    bool padTdoMask(const uint8_t* mask) {
        return mask == nullptr || makePadded(tdoMask_, kZeros, mask, texts_.noMaskBuffer);
    }

    void dump() const {
        if (boundary::wantsDumps()) {
            boundary::dumpBuffer("BUFFER AFTER PADDING:", buffer_.get(), layout_.bits);
        }
    }

    // The device's slice of what the chain captured; tdo bits from bitCount up keep their values.
    void copySliceTo(uint8_t* tdo) const {
        KelPlugin::copyBits(tdo, 0, buffer_.get(), layout_.position, bitCount_);
    }

  private:
    bool makePadded(HeapBytes& bytes, uint8_t pad, const uint8_t* bits, const char* noMemoryText) {
        if (!bytes.allocate(size_)) {
            return refuse(noMemoryText);
        }
        uint8_t* out = bytes.get();
        if (placement_ == Placement::WholeBytesAtStart) {
            const size_t count = bytesFor(bitCount_);
            std::memcpy(out, bits, count);
            std::memset(out + count, pad, size_ - count);
            return true;
        }
        // Padding only the bytes that the slice does not cover whole keeps a long scan to one
        // pass over its buffer; copyBits keeps the pad bits of the slice's edge bytes.
        const uint64_t sliceEnd = uint64_t{layout_.position} + bitCount_;
        const size_t coveredBegin = (size_t{layout_.position} + 7) / 8;
        const size_t coveredEnd = std::max(coveredBegin, static_cast<size_t>(sliceEnd / 8));
        std::memset(out, pad, coveredBegin);
        std::memset(out + coveredEnd, pad, size_ - coveredEnd);
        KelPlugin::copyBits(out, layout_.position, bits, 0, bitCount_);
        return true;
    }

    ChainLayout layout_;
    uint32_t bitCount_;
    Placement placement_;
    size_t size_;
    const RefusalTexts& texts_;
    HeapBytes buffer_;
    HeapBytes tdiMask_;
    HeapBytes tdoMask_;
};

}  // namespace

// ----- Public operations: traced, forwarded unchanged ------------------------------------------

KelResult KelPlugin::readDeviceIR(uint32_t device, bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                  uint32_t bitCount, TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::readDeviceIR", [&] {
        return readDeviceIRImpl(device, fill, tdo, tdoMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::writeDeviceIR(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                   uint32_t bitCount, TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::writeDeviceIR", [&] {
        return writeDeviceIRImpl(device, tdi, tdiMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::shiftDeviceIR(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                   const uint8_t* tdiMask, const uint8_t* tdoMask,
                                   uint32_t bitCount, TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::shiftDeviceIR", [&] {
        return shiftDeviceIRImpl(device, tdi, tdo, tdiMask, tdoMask, bitCount, endState,
                                 callContext);
    });
}

KelResult KelPlugin::readDeviceDR(uint32_t device, bool fill, uint8_t* tdo, const uint8_t* tdoMask,
                                  uint32_t bitCount, TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::readDeviceDR", [&] {
        return readDeviceDRImpl(device, fill, tdo, tdoMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::writeDeviceDR(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                   uint32_t bitCount, TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::writeDeviceDR", [&] {
        return writeDeviceDRImpl(device, tdi, tdiMask, bitCount, endState, callContext);
    });
}

KelResult KelPlugin::shiftDeviceDR(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                   const uint8_t* tdiMask, const uint8_t* tdoMask,
                                   uint32_t bitCount, TapState endState, CallContext callContext) {
    return framework::tracedCall("KelPlugin::shiftDeviceDR", [&] {
        return shiftDeviceDRImpl(device, tdi, tdo, tdiMask, tdoMask, bitCount, endState,
                                 callContext);
    });
}

// ----- Defaults: pad to the whole chain, shift through the chain-level Impl -------------------

KelResult KelPlugin::shiftDeviceIRImpl(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                       const uint8_t* tdiMask, const uint8_t* tdoMask,
                                       uint32_t bitCount, TapState endState,
                                       CallContext callContext) {
    ChainLayout layout;
    if (!planIRScan(deviceTable, device, tdi != nullptr && tdo != nullptr, bitCount, kShiftDeviceIR,
                    layout)) {
        return KEL_FAILURE;
    }
    // All ones is BYPASS for every other device, and fills the device's own unused IR bits.
    PaddedScan scan(layout, bitCount, Placement::AtPosition, kShiftDeviceIR);
    if (!scan.makeBuffer(kOnes, tdi) || !scan.padTdiMask(tdiMask) || !scan.padTdoMask(tdoMask)) {
        return KEL_FAILURE;
    }
    scan.dump();
    const KelResult result = shiftChainIRImpl(scan.buffer(), scan.buffer(), scan.tdiMask(),
                                              scan.tdoMask(), scan.bits(), endState, callContext);
    scan.copySliceTo(tdo);
    return result;
}

KelResult KelPlugin::writeDeviceIRImpl(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                       uint32_t bitCount, TapState endState,
                                       CallContext callContext) {
    ChainLayout layout;
    if (!planIRScan(deviceTable, device, tdi != nullptr, bitCount, kWriteDeviceIR, layout)) {
        return KEL_FAILURE;
    }
    PaddedScan scan(layout, bitCount, Placement::AtPosition, kWriteDeviceIR);
    if (!scan.makeBuffer(kOnes, tdi) || !scan.padTdiMask(tdiMask)) {
        return KEL_FAILURE;
    }
    scan.dump();
    return writeChainIRImpl(scan.buffer(), scan.tdiMask(), scan.bits(), endState, callContext);
}

KelResult KelPlugin::readDeviceIRImpl(uint32_t device, bool fill, uint8_t* tdo,
                                      const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                      CallContext callContext) {
    if (tdo == nullptr) {
        refuse(kReadDeviceIRNullBuffer);
        return KEL_FAILURE;
    }
    // The fill value is driven by shifting tdo itself; the shift makes every other check.
    std::memset(tdo, fill ? kOnes : kZeros, bytesFor(bitCount));
    return shiftDeviceIR(device, tdo, tdo, nullptr, tdoMask, bitCount, endState, callContext);
}

KelResult KelPlugin::shiftDeviceDRImpl(uint32_t device, const uint8_t* tdi, uint8_t* tdo,
                                       const uint8_t* tdiMask, const uint8_t* tdoMask,
                                       uint32_t bitCount, TapState endState,
                                       CallContext callContext) {
    ChainLayout layout;
    if (!planDRScan(deviceTable, device, tdi != nullptr && tdo != nullptr, bitCount,
                    deviceTable.deviceCount() - 1, deviceTable.drTrailingPadBits(device),
                    kShiftDeviceDR, layout)) {
        return KEL_FAILURE;
    }
    PaddedScan scan(layout, bitCount, Placement::AtPosition, kShiftDeviceDR);
    if (!scan.makeBuffer(kZeros, tdi) || !scan.padTdiMask(tdiMask) || !scan.padTdoMask(tdoMask)) {
        return KEL_FAILURE;
    }
    scan.dump();
    const KelResult result = shiftChainDRImpl(scan.buffer(), scan.buffer(), scan.tdiMask(),
                                              scan.tdoMask(), scan.bits(), endState, callContext);
    scan.copySliceTo(tdo);
    return result;
}

KelResult KelPlugin::readDeviceDRImpl(uint32_t device, bool fill, uint8_t* tdo,
                                      const uint8_t* tdoMask, uint32_t bitCount, TapState endState,
                                      CallContext callContext) {
    ChainLayout layout;
    if (!planDRScan(deviceTable, device, tdo != nullptr, bitCount, deviceTable.deviceCount() - 1,
                    deviceTable.drTrailingPadBits(device), kReadDeviceDR, layout)) {
        return KEL_FAILURE;
    }
    // Filled as the read drives it, so a target's own read never leaves bytes undefined.
    PaddedScan scan(layout, bitCount, Placement::AtPosition, kReadDeviceDR);
    if (!scan.makeReadBuffer(fill ? kOnes : kZeros) || !scan.padTdoMask(tdoMask)) {
        return KEL_FAILURE;
    }
    const KelResult result =
        readChainDRImpl(fill, scan.buffer(), scan.tdoMask(), scan.bits(), endState, callContext);
    scan.copySliceTo(tdo);
    return result;
}

KelResult KelPlugin::writeDeviceDRImpl(uint32_t device, const uint8_t* tdi, const uint8_t* tdiMask,
                                       uint32_t bitCount, TapState endState,
                                       CallContext callContext) {
    // A write captures nothing, so the devices between this one and TDO get no pad bits.
    ChainLayout layout;
    if (!planDRScan(deviceTable, device, tdi != nullptr, bitCount,
                    deviceTable.drHeadingPadBits(device), 0, kWriteDeviceDR, layout)) {
        return KEL_FAILURE;
    }
    PaddedScan scan(layout, bitCount, Placement::WholeBytesAtStart, kWriteDeviceDR);
    if (!scan.makeBuffer(kZeros, tdi) || !scan.padTdiMask(tdiMask)) {
        return KEL_FAILURE;
    }
    scan.dump();
    return writeChainDRImpl(scan.buffer(), scan.tdiMask(), scan.bits(), endState, callContext);
}

}  // namespace KelPluginInterface
