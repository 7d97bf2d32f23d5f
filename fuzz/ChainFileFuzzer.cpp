// The chain-description file reader, fed any bytes through fileScanJTAGChain. The devices it
// finds are checked against an independent reading of the same bytes: one device per line part
// (any run of CR and LF ends a line, a line longer than 254 characters comes in parts, a part
// that starts with a NUL is empty), an IDCODE from the last eight characters after an optional
// 0x, a file of more than 255 devices refused whole. A refused or empty file must leave the chain
// as documented, and an unchanged chain must keep the IR lengths the host set.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CheckingCallbacks.h"
#include "ScratchFile.h"
#include "kel/DeviceTable.h"
#include "svf/SVFFile.h"

namespace {

using kelfuzz::beginOperation;
using kelfuzz::checkResult;
using KelPluginInterface::KEL_MAX_DEVICES;
using KelPluginInterface::SVFFile;

constexpr size_t kPartLength = 254;

std::string& chainFile() {
    static std::string path;
    return path;
}

// The IDCODE of one line part, read the way the file format defines it.
uint32_t deviceIdOf(const std::string& part) {
    std::string text(part.c_str());  // the text ends at a NUL byte, as any C string does
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (text.rfind("0X", 0) == 0) {
        text.erase(0, 2);
    }
    if (text.size() > 8) {
        text.erase(0, text.size() - 8);
    }
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16) & 0xFFFFFFFFu);
}

std::vector<uint32_t> expectedDevices(const uint8_t* data, size_t size) {
    std::vector<uint32_t> devices;
    std::string part;
    for (size_t i = 0; i <= size; ++i) {
        const bool lineEnd = i == size || data[i] == '\n' || data[i] == '\r';
        if (!lineEnd) {
            part += static_cast<char>(data[i]);
        }
        if ((lineEnd || part.size() == kPartLength) && !part.empty()) {
            if (part[0] != '\0') {  // as a text, a part that starts with a NUL is empty
                devices.push_back(deviceIdOf(part));
            }
            part.clear();
        }
    }
    return devices;
}

// The chain the target knows before the scan, chosen by the input's first byte.
struct Chain {
    std::vector<uint32_t> ids;
    std::vector<uint32_t> irLengths;
};

Chain priorChain(uint8_t choice) {
    switch (choice % 4) {
        case 0:
            return {};
        case 1:
            return {{0x1A2B3C4D}, {8}};
        case 2:
            return {{0x0, 0x12345678}, {4, 0}};  // one IR length not set
        default:
            return {{0x1, 0x2, 0x3}, {5, 6, 7}};
    }
}

void describe(SVFFile& target, const Chain& chain) {
    beginOperation();
    KEL_FUZZ_CHECK(target.setDeviceCount(static_cast<uint32_t>(chain.ids.size())) == KEL_SUCCESS,
                   "setDeviceCount");
    for (uint32_t i = 0; i < chain.ids.size(); ++i) {
        KEL_FUZZ_CHECK(target.setDeviceID(i, chain.ids[i]) == KEL_SUCCESS, "setDeviceID");
        if (chain.irLengths[i] != 0) {
            KEL_FUZZ_CHECK(target.setIRLength(i, chain.irLengths[i]) == KEL_SUCCESS, "setIRLength");
        }
    }
}

void expectChain(SVFFile& target, const Chain& chain, const char* when) {
    beginOperation();
    const uint32_t count = target.getDeviceCount();
    KEL_FUZZ_CHECK(count == chain.ids.size(), std::string(when) + ": device count " +
                                                  std::to_string(count) + ", expected " +
                                                  std::to_string(chain.ids.size()));
    for (uint32_t i = 0; i < count; ++i) {
        KEL_FUZZ_CHECK(target.getDeviceID(i) == chain.ids[i],
                       std::string(when) + ": IDCODE of device " + std::to_string(i));
        KEL_FUZZ_CHECK(target.getIRLength(i) == chain.irLengths[i],
                       std::string(when) + ": IR length of device " + std::to_string(i));
    }
}

KelResult scan(SVFFile& target) {
    beginOperation();
    const KelResult result = target.fileScanJTAGChain(chainFile().c_str());
    checkResult(result, "fileScanJTAGChain");
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kelfuzz::installCheckingCallbacks();
    chainFile() = kelfuzz::scratchFile("chain.txt");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const Chain prior = priorChain(data[0]);
    ++data;
    --size;

    std::FILE* file = std::fopen(chainFile().c_str(), "wb");
    KEL_FUZZ_CHECK(file != nullptr, "cannot create the chain file");
    KEL_FUZZ_CHECK(std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0,
                   "cannot write the chain file");

    SVFFile target;
    describe(target, prior);
    const std::vector<uint32_t> devices = expectedDevices(data, size);
    const uint64_t messagesBefore = kelfuzz::messageCount();
    const KelResult result = scan(target);

    if (devices.empty()) {
        KEL_FUZZ_CHECK(result == KEL_FAILURE, "a file without devices was accepted");
        KEL_FUZZ_CHECK(kelfuzz::messageCount() == messagesBefore + 1,
                       "no message for an empty chain");
        expectChain(target, {}, "after an empty file");
        return 0;
    }
    if (devices.size() > KEL_MAX_DEVICES) {
        KEL_FUZZ_CHECK(result == KEL_FAILURE, "a file of more than 255 devices was accepted");
        expectChain(target, prior, "after a refused file");
        return 0;
    }
    KEL_FUZZ_CHECK(result == KEL_SUCCESS, "a readable file of devices was refused");
    Chain found{devices, std::vector<uint32_t>(devices.size(), 0)};
    if (devices == prior.ids) {
        found.irLengths = prior.irLengths;  // an unchanged chain keeps what the host set
    }
    expectChain(target, found, "after the scan");

    // Scanned again after the host set every IR length, the same file changes nothing.
    for (uint32_t i = 0; i < devices.size(); ++i) {
        found.irLengths[i] = i % 7 + 1;
        beginOperation();
        KEL_FUZZ_CHECK(target.setIRLength(i, found.irLengths[i]) == KEL_SUCCESS, "setIRLength");
    }
    KEL_FUZZ_CHECK(scan(target) == KEL_SUCCESS, "the same file was refused the second time");
    expectChain(target, found, "after scanning the same file again");
    return 0;
}
