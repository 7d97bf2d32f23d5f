// Chain scanning: learn the devices of the chain and their IDCODEs, either from the
// chain-description file named by ZOR_VANTORA_JTAGFILE or by a live IDCODE scan.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LockGate.h"
#include "boundary/CallbackTable.h"
#include "boundary/Guard.h"
#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

constexpr const char* kChainFileVariable = "ZOR_VANTORA_JTAGFILE";

// ----- Chain-description file ---------------------------------------------------------------

// A line arrives in parts of at most this many characters, each handled as a line of its own.
constexpr size_t kLinePartLength = 254;

// More than this is no chain description (255 IDCODE lines, with room for comments and blank
// lines): the read stops there rather than follow /dev/zero or an endless stream for ever.
constexpr size_t kMaxChainFileBytes = size_t{1} << 20;

// Reads the next non-empty line part into `line`, NUL-terminated; false at end of file, on a
// read error or once `budget` bytes are read. Any run of CR and LF characters ends a line, so
// LF, CR LF and bare CR files all list one device a line.
bool readLinePart(std::FILE* file, char (&line)[kLinePartLength + 1], size_t& budget) {
    size_t length = 0;
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (budget == 0) {
            break;
        }
        --budget;
        if (c == '\n' || c == '\r') {
            if (length != 0) {
                break;
            }
            continue;  // an empty line, or the rest of a line end
        }
        line[length++] = static_cast<char>(c);
        if (length == kLinePartLength) {
            break;
        }
    }
    line[length] = '\0';
    return length != 0;
}

// The IDCODE of one line: hexadecimal, an optional 0x or 0X, only the last eight characters
// count. Upper-cases `line` in place.
uint32_t parseDeviceId(char* line) {
    for (char* c = line; *c != '\0'; ++c) {
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    }
    const char* digits = line;
    if (std::strncmp(digits, "0X", 2) == 0) {
        digits += 2;
    }
    const size_t length = std::strlen(digits);
    if (length > 8) {
        digits += length - 8;
    }
    return static_cast<uint32_t>(std::strtoul(digits, nullptr, 16) & 0xFFFFFFFFu);
}

enum class FileRead { Read, TooManyDevices, TooLarge, ReadError };

FileRead readChainFile(std::FILE* file, DeviceTable& found) {
    char line[kLinePartLength + 1];
    size_t budget = kMaxChainFileBytes;
    while (readLinePart(file, line, budget)) {
        // A line that starts with a NUL is empty as a text: no device.
        if (line[0] == '\0') {
            continue;
        }
        KelPlugin::printMessage(KEL_PRINT_DETAIL, "fileScanJTAGChain: Parsing '%s'\n", line);
        const uint32_t deviceId = parseDeviceId(line);
        KelPlugin::printMessage(KEL_PRINT_DETAIL,
                                "fileScanJTAGChain: Read deviceid %08x from file\n", deviceId);
        // A silently shortened chain would be wrong data: the whole file is refused instead.
        if (!found.appendDevice(deviceId)) {
            return FileRead::TooManyDevices;
        }
    }
    if (budget == 0 && std::getc(file) != EOF) {
        return FileRead::TooLarge;
    }
    // A read error (a directory, a failing disk) is no end of file: the chain is not all there.
    return std::ferror(file) != 0 ? FileRead::ReadError : FileRead::Read;
}

// ----- Live scan ----------------------------------------------------------------------------

constexpr uint32_t kBlockBits = 1024;
constexpr uint32_t kEndMarker = 0xFFFFFFFFu;

// The live scan's view of the DR stream: 1024 captured bits at a time in one 129-byte buffer,
// shifted in Shift-DR so that each block continues the previous one.
class ScanBlocks {
  public:
    explicit ScanBlocks(KelPlugin& target) : target_(target) {}

    bool bit(uint32_t position) const {
        return ((static_cast<unsigned>(buffer_[position / 8]) >> (position % 8)) & 1u) != 0;
    }

    // Refilled with ones, or driving the previous block's captured bits back in.
    KelResult shift(bool refill) {
        if (refill) {
            std::memset(buffer_, 0xFF, sizeof buffer_);
        }
        const KelResult result = target_.shiftChainDR(
            buffer_, buffer_, nullptr, nullptr, kBlockBits, KELJTAG_SHIFT_DR, CallContext{0, 0});
        if (kelSucceeded(result) && boundary::wantsDumps()) {
            boundary::dumpBuffer("BUFFER AFTER SHIFTDR:", buffer_, kBlockBits);
        }
        return result;
    }

  private:
    KelPlugin& target_;
    uint8_t buffer_[kBlockBits / 8 + 1] = {};
};

// Walks the captured stream device by device from TDO: a 0 is a device without IDCODE (its
// 1-bit BYPASS register), a 1 starts a 32-bit IDCODE, and 32 ones are the TDI fill coming
// through, which ends the chain. Devices are appended to `found` in the order met.
KelResult walkChain(ScanBlocks& blocks, DeviceTable& found) {
    KelResult result = blocks.shift(true);
    for (uint32_t position = 0; kelSucceeded(result);) {
        uint32_t value = 0;
        if (blocks.bit(position)) {
            value = 1;
            for (uint32_t k = 1; k < 32; ++k) {
                if (++position == kBlockBits) {
                    // An IDCODE across the block boundary: the next block brings its other bits.
                    result = blocks.shift(true);
                    if (kelFailed(result)) {
                        return result;
                    }
                    position = 0;
                }
                value |= static_cast<uint32_t>(blocks.bit(position)) << k;
            }
        }
        if (value != kEndMarker) {
            found.appendDevice(value);
        }
        // 255 devices and still no end marker: TDO is stuck, there is no chain to trust.
        if (found.deviceCount() == KEL_MAX_DEVICES) {
            found.clear();
            break;
        }
        if (++position == kBlockBits) {
            result = blocks.shift(false);
            position = 0;
        }
        if (value == kEndMarker) {
            break;
        }
    }
    return result;
}

}  // namespace

KelResult KelPlugin::scanJTAGChain() {
    boundary::TraceScope trace("KelPlugin::scanJTAGChain");
    if (framework::refusedWithoutLock(lockOwned)) {
        return trace.result(KEL_FAILURE);
    }
    // The called scan traces its own result; this trace closes with an empty text.
    return boundary::guardedResult("KelPlugin::scanJTAGChain", [this] {
        if (const char* path = std::getenv(kChainFileVariable)) {
            return fileScanJTAGChain(path);
        }
        return targetScanJTAGChain();
    });
}

KelResult KelPlugin::fileScanJTAGChain(const char* path) {
    boundary::TraceScope trace("KelPlugin::fileScanJTAGChain");
    if (path == nullptr) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> fileScanJTAGChain called with a NULL file name\n");
        return trace.result(KEL_FAILURE);
    }
    DeviceTable found;
    printMessage(KEL_PRINT_LIST, "Reading JTAG chain description from file %s\n", path);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        // Hosts see this refusal with an empty result text.
        printMessage(KEL_PRINT_ERROR, "ERROR: Could not open %s for reading\n", path);
        return KEL_FAILURE;
    }
    const FileRead read = readChainFile(file, found);
    std::fclose(file);
    if (read == FileRead::ReadError) {
        printMessage(KEL_PRINT_ERROR, "ERROR: Could not read %s\n", path);
        return trace.result(KEL_FAILURE);
    }
    if (read == FileRead::TooLarge) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> ERROR: %s holds more than %zu bytes, more than any chain "
                     "description; the chain is unchanged\n",
                     path, kMaxChainFileBytes);
        return trace.result(KEL_FAILURE);
    }
    if (read == FileRead::TooManyDevices) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> ERROR: %s lists more than 255 devices; the chain is unchanged\n",
                     path);
        return trace.result(KEL_FAILURE);
    }
    return trace.result(finishChainScan(found));
}

KelResult KelPlugin::targetScanJTAGChain() {
    boundary::TraceScope trace("KelPlugin::targetScanJTAGChain");
    // The TAP operations and the shift are virtual: a derived target's override may throw.
    return trace.result(boundary::guardedResult("KelPlugin::targetScanJTAGChain", [this] {
        // After a reset every device has selected its IDCODE or its BYPASS register.
        KelResult result = initializeTAP();
        if (kelFailed(result)) {
            return result;
        }
        DeviceTable found;
        ScanBlocks blocks(*this);
        result = walkChain(blocks, found);
        if (kelFailed(result)) {
            return result;
        }
        initializeTAP();
        result = navigateTAP(KELJTAG_RUN_TEST_IDLE, 0);
        if (kelFailed(result)) {
            return result;
        }
        // The walk met the devices from TDO back to TDI; the table lists them from TDI.
        found.reverse();
        return finishChainScan(found);
    }));
}

KelResult KelPlugin::finishChainScan(DeviceTable& scanned) {
    if (scanned.deviceCount() == 0) {
        deviceTable.clear();
        reportMessage(KEL_MSG_ERROR, "No devices detected while scanning the JTAG chain\n");
        return KEL_FAILURE;
    }
    if (scanned.hasSameDevices(deviceTable)) {
        // Same devices: the IR lengths the host set for them still hold.
        printMessage(KEL_PRINT_STATUS, "No JTAG chain changes detected...\n");
    } else {
        printMessage(KEL_PRINT_STATUS, "JTAG chain changed... Resetting IR Lengths\n");
        deviceTable.assign(scanned);
    }
    printMessage(KEL_PRINT_LIST, "JTAG DeviceCount=%d\n",
                 static_cast<int>(deviceTable.deviceCount()));
    for (uint32_t i = 0; i < deviceTable.deviceCount(); ++i) {
        printMessage(KEL_PRINT_LIST, "Device[%d]=%08x\n", static_cast<int>(i),
                     deviceTable.deviceId(i));
    }
    return KEL_SUCCESS;
}

}  // namespace KelPluginInterface
