#include "svf/SVFFile.h"

#include <stdio_ext.h>

#include <cerrno>
#include <cstring>
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

// Error texts that name the file: long enough for any path this system opens, and a fixed size
// keeps the error paths free of allocation.
constexpr size_t kFileMessageSize = 4608;

constexpr size_t kStreamBufferSize = 64 * 1024;

bool hasValue(const char* value) {
    return value != nullptr && value[0] != '\0';
}

// strerror_r comes in two forms; either gives a text here.
[[maybe_unused]] const char* errorText(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* errorText(const char* text, const char*) {
    return text;
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

        // Binary, truncated only once no other writer holds the file.
        int openError = 0;
        FILE* file = svf::streamOps().open(name, &openError);
        // The handle's low 32 bits: "%x" takes an unsigned int, never a pointer.
        const auto handleBits = static_cast<unsigned int>(reinterpret_cast<uintptr_t>(file));
        printMessage(KEL_PRINT_DETAIL, "fopen(%s, \"wb\") returned %x\n", name, handleBits);
        if (file == nullptr) {
            outputFileName.clear();
            reportMessage(KEL_MSG_ERROR, kCannotOpen);
            if (openError == EWOULDBLOCK) {
                char text[kFileMessageSize];
                std::snprintf(text, sizeof text,
                              "<SVFFile> File \"%.4096s\" is in use by another writer\n", name);
                reportMessage(KEL_MSG_ERROR, text);
            }
            return KEL_FAILURE;
        }
        outputFile = file;
        // A new file has no header or trailer in force, nothing lost and the players' defaults.
        selectedDevice = -1;
        writeLost = false;
        replay = svf::ReplayState{};
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
    const bool lostEarlier = std::exchange(writeLost, false);
    if (lostEarlier) {
        // What is still buffered comes after the gap: it must not reach the file either.
        __fpurge(file);
    }
    // fclose flushes what is buffered; the handle is gone whatever it returns.
    errno = 0;
    const int closed = svf::streamOps().close(file);
    const int closeError = closed != 0 ? errno : 0;
    streamBuffer.reset();  // only now that the stream no longer uses it
    if (lostEarlier) {
        reportEarlierLoss();
        return KEL_FAILURE;
    }
    if (closed != 0) {
        noteLostWrite("Close of file", closeError);
        writeLost = false;  // the file is closed; a new one starts clean
        return KEL_FAILURE;
    }
    return KEL_SUCCESS;
}

KelResult SVFFile::lockTargetImpl(uint32_t flags) {
    if (!requireWritableFile()) {
        return KEL_FAILURE;
    }
    const uint64_t lostBefore = lostWrites;
    const KelResult result = KelPlugin::lockTargetImpl(flags);
    return lostWrites != lostBefore ? KEL_FAILURE : result;
}

KelResult SVFFile::unlockTargetImpl() {
    const uint64_t lostBefore = lostWrites;
    const bool lostEarlier = outputFile != nullptr && writeLost;
    // Without a file there is nothing to flush, and after a lost write nothing may be flushed;
    // the base still gives the lock back.
    if (lostEarlier) {
        reportEarlierLoss();
    } else if (outputFile != nullptr) {
        errno = 0;
        const int flushed = svf::streamOps().flush(outputFile);
        const int flushError = errno;
        if (flushed != 0) {
            noteLostWrite("Flush of file", flushError);
        }
    }
    // The base's move to Run-Test/Idle writes "STATE IDLE;" after the flush.
    const KelResult result = KelPlugin::unlockTargetImpl();
    return lostEarlier || lostWrites != lostBefore ? KEL_FAILURE : result;
}

TapState SVFFile::getTAPStateImpl() {
    return KELJTAG_TEST_LOGIC_RESET;
}

// ----- Device writes ---------------------------------------------------------------------------

KelResult SVFFile::writeDeviceIRImpl(uint32_t device, const uint8_t* tdi, const uint8_t*,
                                     uint32_t bitCount, TapState endState, CallContext) {
    return writeDevice("writeDeviceIR", svf::RegisterKind::Instruction, device, tdi, bitCount,
                       endState);
}

KelResult SVFFile::writeDeviceDRImpl(uint32_t device, const uint8_t* tdi, const uint8_t*,
                                     uint32_t bitCount, TapState endState, CallContext) {
    return writeDevice("writeDeviceDR", svf::RegisterKind::Data, device, tdi, bitCount, endState);
}

KelResult SVFFile::writeDevice(const char* operation, svf::RegisterKind kind, uint32_t device,
                               const uint8_t* tdi, uint32_t bitCount, TapState endState) {
    if (!requireWritableFile()) {
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
    const TapState scanEnd = svf::scanEndStateFor(endState);
    if (!writeScanEndState(kind, scanEnd) || !writeScanStatement(kind, tdi, bitCount)) {
        return KEL_FAILURE;
    }
    replay.at = scanEnd;
    return KEL_SUCCESS;
}

bool SVFFile::writeScanEndState(svf::RegisterKind kind, TapState endState) {
    TapState& inForce =
        kind == svf::RegisterKind::Instruction ? replay.irEndState : replay.drEndState;
    if (inForce == endState) {
        return true;  // a session that keeps one end state never names it
    }
    if (!written(svf::writeEndState(outputFile, kind, svf::holdableStateName(endState)))) {
        return false;
    }
    inForce = endState;
    return true;
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
    return written(svf::writePadStatement(outputFile, keyword, bitCount, fillByte));
}

bool SVFFile::writeScanStatement(svf::RegisterKind kind, const uint8_t* tdi, uint32_t bitCount) {
    return written(svf::writeScanStatement(outputFile, kind, tdi, bitCount));
}

KelResult SVFFile::writeText(std::string_view text) {
    return written(svf::writeText(outputFile, text)) ? KEL_SUCCESS : KEL_FAILURE;
}

bool SVFFile::written(const svf::WriteResult& result) {
    if (!result) {
        noteLostWrite("Write to file", result.error);
        return false;
    }
    return true;
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

bool SVFFile::requireWritableFile() {
    if (outputFile == nullptr) {
        reportMessage(KEL_MSG_ERROR, kNoOutputFile);
        return false;
    }
    if (writeLost) {
        reportEarlierLoss();
        return false;
    }
    return true;
}

void SVFFile::reportEarlierLoss() {
    char text[kFileMessageSize];
    std::snprintf(text, sizeof text,
                  "<SVFFile> An earlier write to file \"%.4096s\" was lost; nothing more is "
                  "written to it\n",
                  outputFileName.c_str());
    reportMessage(KEL_MSG_ERROR, text);
}

void SVFFile::noteLostWrite(const char* action, int error) {
    ++lostWrites;
    writeLost = true;
    char reason[256] = "";
    if (error != 0) {
        char buffer[200] = "";
        std::snprintf(reason, sizeof reason, ": %s",
                      errorText(strerror_r(error, buffer, sizeof buffer), buffer));
    }
    char text[kFileMessageSize];
    std::snprintf(text, sizeof text, "<SVFFile> %s \"%.4096s\" failed%s\n", action,
                  outputFileName.c_str(), reason);
    reportMessage(KEL_MSG_ERROR, text);
}

void SVFFile::reportRefusal(const char* reason, const char* operation) {
    char text[128];
    std::snprintf(text, sizeof text, "<SVFFile> %s in %s\n", reason, operation);
    reportMessage(KEL_MSG_ERROR, text);
}

}  // namespace KelPluginInterface
