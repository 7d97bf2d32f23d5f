#include "svf/SVFFile.h"

#include <new>
#include <utility>

#include "boundary/Guard.h"
#include "svf/StreamSeam.h"

namespace KelPluginInterface {
namespace {

constexpr const char* kInvalidFileName = "<svf_file> Invalid File Name Argument\n";
constexpr const char* kInvalidTargetType = "<svf_file> Invalid Target Type Argument\n";
constexpr const char* kCannotOpen = "<svf_file> Cannot Open File: Invalide File Name Argument\n";
constexpr const char* kIRLengthNotSet = "<SVFFile> device IR length not set in shiftIR\n";
constexpr const char* kNoOutputFile = "<SVFFile> No output file is open\n";

constexpr size_t kStreamBufferSize = 64 * 1024;

bool hasValue(const char* value) {
    return value != nullptr && value[0] != '\0';
}

}  // namespace

SVFFile::SVFFile() = default;

SVFFile::~SVFFile() {
    // A target destroyed while open leaves its stream open (the host closes first); the stream
    // still uses its buffer until the process ends, so the buffer goes with it.
    if (outputFile != nullptr) {
        static_cast<void>(streamBuffer.release());
    }
}

// ----- Lifecycle and output file -------------------------------------------------------------

KelResult SVFFile::initializeTargetImpl(uint32_t optionCount, const char* const* optionList) {
    if (!hasValue(findKey(optionCount, optionList, "fname"))) {
        reportMessage(KEL_MSG_ERROR, kInvalidFileName);
        return KEL_FAILURE;
    }
    if (!hasValue(findKey(optionCount, optionList, "type"))) {
        reportMessage(KEL_MSG_ERROR, kInvalidTargetType);
        return KEL_FAILURE;
    }
    return KEL_SUCCESS;
}

KelResult SVFFile::openTargetImpl(uint32_t optionCount, const char* const* optionList,
                                  CallContext) {
    return boundary::guardedResult("SVFFile::openTargetImpl", [&] {
        const char* name = findKey(optionCount, optionList, "fname");
        if (!hasValue(name)) {
            reportMessage(KEL_MSG_ERROR, kInvalidFileName);
            return KEL_FAILURE;
        }
        if (outputFile != nullptr) {
            closeTargetImpl();  // never leak a handle, whatever the caller's order
        }
        outputFileName = name;  // before the open: an allocation failure then leaks nothing

        FILE* file = svf::streamOps().open(name, "wb");  // binary: CR LF reach the file as is
        // The handle's low 32 bits: "%x" takes an unsigned int, never a pointer.
        const auto handleBits = static_cast<unsigned int>(reinterpret_cast<uintptr_t>(file));
        printMessage(KEL_PRINT_DETAIL, "fopen(%s, \"wb\") returned %x\n", name, handleBits);
        if (file == nullptr) {
            outputFileName.clear();
            reportMessage(KEL_MSG_ERROR, kCannotOpen);
            return KEL_FAILURE;
        }
        outputFile = file;
        selectedDevice = -1;  // a new file has no header or trailer in force
        // Without the larger buffer the stream keeps its default one: slower, same bytes.
        streamBuffer.reset(new (std::nothrow) char[kStreamBufferSize]);
        if (streamBuffer != nullptr &&
            std::setvbuf(file, streamBuffer.get(), _IOFBF, kStreamBufferSize) != 0) {
            streamBuffer.reset();
        }
        return KEL_SUCCESS;
    });
}

KelResult SVFFile::closeTargetImpl() {
    if (outputFile == nullptr) {
        return KEL_SUCCESS;
    }
    FILE* file = std::exchange(outputFile, nullptr);
    selectedDevice = -1;
    // fclose flushes what is buffered; the handle is gone whatever it returns.
    const int closed = svf::streamOps().close(file);
    streamBuffer.reset();  // only now that the stream no longer uses it
    if (closed != 0) {
        noteLostWrite("Close of file");
        return KEL_FAILURE;
    }
    return KEL_SUCCESS;
}

KelResult SVFFile::lockTargetImpl(uint32_t flags) {
    if (!requireOutputFile()) {
        return KEL_FAILURE;
    }
    const uint64_t lostBefore = lostWrites;
    const KelResult result = KelPlugin::lockTargetImpl(flags);
    return lostWrites != lostBefore ? KEL_FAILURE : result;
}

KelResult SVFFile::unlockTargetImpl() {
    const uint64_t lostBefore = lostWrites;
    // Without a file there is nothing to flush; the base still gives the lock back.
    if (outputFile != nullptr && svf::streamOps().flush(outputFile) != 0) {
        noteLostWrite("Flush of file");
    }
    // The base's move to Run-Test/Idle writes "STATE IDLE;" after the flush.
    const KelResult result = KelPlugin::unlockTargetImpl();
    return lostWrites != lostBefore ? KEL_FAILURE : result;
}

TapState SVFFile::getTAPStateImpl() {
    return KELJTAG_TEST_LOGIC_RESET;
}

// ----- TAP statements --------------------------------------------------------------------------

KelResult SVFFile::initializeTAPImpl() {
    if (!requireOutputFile()) {
        return KEL_FAILURE;
    }
    return writeText("STATE RESET;\r\n");
}

KelResult SVFFile::navigateTAPImpl(TapState state, uint32_t count) {
    if (!requireOutputFile()) {
        return KEL_FAILURE;
    }
    const uint64_t lostBefore = lostWrites;
    if (state == KELJTAG_TEST_LOGIC_RESET) {
        initializeTAP();  // traced in its own right; a lost write shows in lostWrites
    } else if (state == KELJTAG_RUN_TEST_IDLE) {
        writeText("STATE IDLE;\r\n");
    }
    // Other states are reached by the scan statements themselves on replay.
    if (count != 0 && !svf::writeRunTest(outputFile, count)) {
        noteLostWrite("Write to file");
    }
    return lostWrites != lostBefore ? KEL_FAILURE : KEL_SUCCESS;
}

// ----- Device writes ---------------------------------------------------------------------------

KelResult SVFFile::writeDeviceIRImpl(uint32_t device, const uint8_t* tdi, const uint8_t*,
                                     uint32_t bitCount, TapState, CallContext) {
    return writeDevice("writeDeviceIR", svf::RegisterKind::Instruction, device, tdi, bitCount);
}

KelResult SVFFile::writeDeviceDRImpl(uint32_t device, const uint8_t* tdi, const uint8_t*,
                                     uint32_t bitCount, TapState, CallContext) {
    return writeDevice("writeDeviceDR", svf::RegisterKind::Data, device, tdi, bitCount);
}

KelResult SVFFile::writeDevice(const char* operation, svf::RegisterKind kind, uint32_t device,
                               const uint8_t* tdi, uint32_t bitCount) {
    if (!requireOutputFile()) {
        return KEL_FAILURE;
    }
    if (device >= deviceTable.deviceCount()) {
        reportRefusal("device index out of bounds", operation);
        return KEL_FAILURE;
    }
    if (bitCount == 0) {
        reportRefusal("bit count of 0", operation);
        return KEL_FAILURE;
    }
    if (tdi == nullptr) {
        reportRefusal("null TDI buffer", operation);
        return KEL_FAILURE;
    }
    const KelResult selected = shiftIR(device);
    if (kelFailed(selected)) {
        return selected;
    }
    return writeScanStatement(kind, tdi, bitCount) ? KEL_SUCCESS : KEL_FAILURE;
}

SVFFile::PadLengths SVFFile::padLengthsFor(uint32_t device) const {
    return {deviceTable.irTrailingPadBits(device), deviceTable.irHeadingPadBits(device),
            deviceTable.drTrailingPadBits(device), deviceTable.drHeadingPadBits(device)};
}

KelResult SVFFile::shiftIR(uint32_t device) {
    const PadLengths pads = padLengthsFor(device);
    // Reused only while the chain model still gives the same statements; IR lengths that are
    // no longer all set mean the chain changed since they were written.
    if (static_cast<int64_t>(device) == selectedDevice && deviceTable.allIRLengthsSet() &&
        pads == padsInForce) {
        return KEL_SUCCESS;
    }
    if (!deviceTable.allIRLengthsSet()) {
        reportMessage(KEL_MSG_ERROR, kIRLengthNotSet);
        return KEL_FAILURE;
    }
    selectedDevice = -1;  // until all four are in the file
    // Other devices in BYPASS: all-ones instructions, zero bits for their bypass registers.
    const bool written =
        writePadStatement("HIR", pads.hir, 0xFF) && writePadStatement("TIR", pads.tir, 0xFF) &&
        writePadStatement("HDR", pads.hdr, 0x00) && writePadStatement("TDR", pads.tdr, 0x00);
    if (!written) {
        return KEL_FAILURE;
    }
    selectedDevice = static_cast<int32_t>(device);
    padsInForce = pads;
    return KEL_SUCCESS;
}

bool SVFFile::writePadStatement(std::string_view keyword, uint32_t bitCount, uint8_t fillByte) {
    if (!svf::writePadStatement(outputFile, keyword, bitCount, fillByte)) {
        noteLostWrite("Write to file");
        return false;
    }
    return true;
}

bool SVFFile::writeScanStatement(svf::RegisterKind kind, const uint8_t* tdi, uint32_t bitCount) {
    if (!svf::writeScanStatement(outputFile, kind, tdi, bitCount)) {
        noteLostWrite("Write to file");
        return false;
    }
    return true;
}

KelResult SVFFile::writeText(std::string_view text) {
    if (!svf::writeText(outputFile, text)) {
        noteLostWrite("Write to file");
        return KEL_FAILURE;
    }
    return KEL_SUCCESS;
}

// ----- What a file cannot do -------------------------------------------------------------------

KelResult SVFFile::shiftChainIRImpl(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*,
                                    uint32_t, TapState, CallContext) {
    return KEL_FAILURE;
}

KelResult SVFFile::shiftChainDRImpl(const uint8_t*, uint8_t*, const uint8_t*, const uint8_t*,
                                    uint32_t, TapState, CallContext) {
    return KEL_FAILURE;
}

KelResult SVFFile::readDeviceIRImpl(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState,
                                    CallContext) {
    return KEL_FAILURE;
}

KelResult SVFFile::shiftDeviceIRImpl(uint32_t, const uint8_t*, uint8_t*, const uint8_t*,
                                     const uint8_t*, uint32_t, TapState, CallContext) {
    return KEL_FAILURE;
}

KelResult SVFFile::readDeviceDRImpl(uint32_t, bool, uint8_t*, const uint8_t*, uint32_t, TapState,
                                    CallContext) {
    return KEL_FAILURE;
}

KelResult SVFFile::shiftDeviceDRImpl(uint32_t, const uint8_t*, uint8_t*, const uint8_t*,
                                     const uint8_t*, uint32_t, TapState, CallContext) {
    return KEL_FAILURE;
}

// ----- Errors ------------------------------------------------------------------------------------

bool SVFFile::requireOutputFile() {
    if (outputFile == nullptr) {
        reportMessage(KEL_MSG_ERROR, kNoOutputFile);
        return false;
    }
    return true;
}

void SVFFile::noteLostWrite(const char* action) {
    ++lostWrites;
    // Error path only: a fixed buffer keeps it free of allocation. Paths that open are shorter.
    char text[4352];
    std::snprintf(text, sizeof text, "<SVFFile> %s \"%.4096s\" failed\n", action,
                  outputFileName.c_str());
    reportMessage(KEL_MSG_ERROR, text);
}

void SVFFile::reportRefusal(const char* reason, const char* operation) {
    char text[128];
    std::snprintf(text, sizeof text, "<SVFFile> %s in %s\n", reason, operation);
    reportMessage(KEL_MSG_ERROR, text);
}

}  // namespace KelPluginInterface
