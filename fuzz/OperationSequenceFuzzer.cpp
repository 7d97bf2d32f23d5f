// Operation sequences: the input decodes into a run of public operations with any arguments
// (device indexes, bit counts, TAP states, option lists, null and non-null buffers, open and
// lock in any order). The same run goes against the SVF target, writing into scratch files, and
// against a target on the simulated chain. Every result must be KEL_SUCCESS or KEL_FAILURE,
// every trace closed, every print well formed (CheckingCallbacks), and the simple facts a host
// can observe must hold. After the run, a fresh open, lock, device write, unlock and close on
// the same object must succeed and have their effect.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CheckingCallbacks.h"
#include "OperationInputs.h"
#include "ScratchFile.h"
#include "kelsim/SimulatedChainTarget.h"
#include "kelsvfreader/SvfReader.h"
#include "svf/SVFFile.h"

namespace {

using namespace KelPluginInterface;
using kelfuzz::beginOperation;
using kelfuzz::BitArgument;
using kelfuzz::checkResult;
using kelfuzz::checkTraceClosed;
using kelfuzz::FuzzFiles;
using kelfuzz::OptionArgument;
using kelfuzz::pickBitCount;
using kelfuzz::pickDevice;
using kelfuzz::pickState;

constexpr const char* kChainFileVariable = "ZOR_VANTORA_JTAGFILE";
constexpr int kMaxOperations = 64;

FuzzFiles& files() {
    static FuzzFiles instance = FuzzFiles::create();
    return instance;
}

// What the fuzzer knows about a target between operations.
struct Observed {
    bool opened = false;
};

CallContext pickContext(FuzzedDataProvider& in) {
    return CallContext{in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<uint64_t>()};
}

void checkOpened(KelPlugin& target, const Observed& observed) {
    beginOperation();
    const bool opened = target.isOpened();
    checkTraceClosed("isOpened");
    KEL_FUZZ_CHECK(opened == observed.opened, "isOpened disagrees with the opens and closes");
}

void pickChainFileVariable(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            unsetenv(kChainFileVariable);
            break;
        case 1:
            setenv(kChainFileVariable, files().chainFile.c_str(), 1);
            break;
        case 2:
            setenv(kChainFileVariable, "", 1);
            break;
        default:
            setenv(kChainFileVariable, files().missingDirectory.c_str(), 1);
    }
}

const char* pickChainFilePath(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            return nullptr;
        case 1:
            return files().directory.c_str();
        case 2:
            return "/dev/null";
        case 3:
            return files().missingDirectory.c_str();
        default:
            return files().chainFile.c_str();
    }
}

// Chain-level and device-level scans, with every buffer possibly null.
KelResult runScan(KelPlugin& target, FuzzedDataProvider& in, int which) {
    const uint32_t device = pickDevice(in);
    const uint32_t bitCount = pickBitCount(in);
    const TapState endState = pickState(in);
    const bool fill = in.ConsumeBool();
    BitArgument tdi(in, bitCount);
    BitArgument tdo(in, bitCount);
    BitArgument tdiMask(in, bitCount);
    BitArgument tdoMask(in, bitCount);
    // tdo may be the tdi buffer itself, as the live chain scan uses it.
    uint8_t* out = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? tdi.data() : tdo.data();
    const CallContext context = pickContext(in);
    switch (which) {
        case 0:
            return target.readChainIR(fill, out, tdoMask.data(), bitCount, endState, context);
        case 1:
            return target.writeChainIR(tdi.data(), tdiMask.data(), bitCount, endState, context);
        case 2:
            return target.shiftChainIR(tdi.data(), out, tdiMask.data(), tdoMask.data(), bitCount,
                                       endState, context);
        case 3:
            return target.readChainDR(fill, out, tdoMask.data(), bitCount, endState, context);
        case 4:
            return target.writeChainDR(tdi.data(), tdiMask.data(), bitCount, endState, context);
        case 5:
            return target.shiftChainDR(tdi.data(), out, tdiMask.data(), tdoMask.data(), bitCount,
                                       endState, context);
        case 6:
            return target.readDeviceIR(device, fill, out, tdoMask.data(), bitCount, endState,
                                       context);
        case 7:
            return target.writeDeviceIR(device, tdi.data(), tdiMask.data(), bitCount, endState,
                                        context);
        case 8:
            return target.shiftDeviceIR(device, tdi.data(), out, tdiMask.data(), tdoMask.data(),
                                        bitCount, endState, context);
        case 9:
            return target.readDeviceDR(device, fill, out, tdoMask.data(), bitCount, endState,
                                       context);
        case 10:
            return target.writeDeviceDR(device, tdi.data(), tdiMask.data(), bitCount, endState,
                                        context);
        default:
            return target.shiftDeviceDR(device, tdi.data(), out, tdiMask.data(), tdoMask.data(),
                                        bitCount, endState, context);
    }
}

// copyBits against a bit-by-bit reading of what it must do.
void runCopyBits(FuzzedDataProvider& in) {
    const auto numBits = in.ConsumeIntegralInRange<uint32_t>(0, 600);
    const auto srcStart = in.ConsumeIntegralInRange<uint32_t>(0, 100);
    const auto dstStart = in.ConsumeIntegralInRange<uint32_t>(0, 100);
    std::vector<uint8_t> src = in.ConsumeBytes<uint8_t>((srcStart + numBits + 7) / 8);
    src.resize((srcStart + numBits + 7) / 8 + 1, 0xC3);
    std::vector<uint8_t> dst = in.ConsumeBytes<uint8_t>((dstStart + numBits + 7) / 8);
    dst.resize((dstStart + numBits + 7) / 8 + 1, 0x3C);
    std::vector<uint8_t> expected = dst;
    for (uint32_t i = 0; i < numBits; ++i) {
        const uint32_t from = srcStart + i;
        const uint32_t to = dstStart + i;
        const bool bit = ((src[from / 8] >> (from % 8)) & 1u) != 0;
        expected[to / 8] = static_cast<uint8_t>((expected[to / 8] & ~(1u << (to % 8))) |
                                                (static_cast<unsigned>(bit) << (to % 8)));
    }
    KelPlugin::copyBits(dst.data(), dstStart, src.data(), srcStart, numBits);
    KEL_FUZZ_CHECK(dst == expected, "copyBits copied different bits");
}

void runInfo(KelPlugin& target, FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
        checkResult(target.getTargetInfo(nullptr), "getTargetInfo");
        return;
    }
    static KelTargetInfo info;
    std::memset(&info, 0xEE, sizeof info);
    const KelResult result = target.getTargetInfo(&info);
    checkResult(result, "getTargetInfo");
    KEL_FUZZ_CHECK(result == KEL_SUCCESS, "getTargetInfo refused a record");
    KEL_FUZZ_CHECK(std::memchr(info.targetType, '\0', sizeof info.targetType) != nullptr,
                   "targetType without its NUL");
    KEL_FUZZ_CHECK(std::strcmp(info.pluginName, "KEL Plug-in") == 0, "pluginName changed");
    KEL_FUZZ_CHECK(std::strcmp(info.pluginVersion, "KelPlugin Version 1.0") == 0,
                   "pluginVersion changed");
    KEL_FUZZ_CHECK(info.reserved == 0, "reserved field written");
}

// One operation chosen by the input. Returns false when the input is used up.
void runOperation(KelPlugin& target, FuzzedDataProvider& in, Observed& observed,
                  kelsim::SimulatedChainTarget* simulated) {
    beginOperation();
    std::string text;
    std::string other;
    const int operation = in.ConsumeIntegralInRange<int>(0, 47);
    switch (operation) {
        case 0:
        case 1: {
            const OptionArgument options(in, files());
            const KelResult result =
                target.openTarget(options.count(), options.list(), pickContext(in));
            checkResult(result, "openTarget");
            observed.opened = result == KEL_SUCCESS;
            break;
        }
        case 2:
            checkResult(target.closeTarget(), "closeTarget");
            observed.opened = false;
            break;
        case 3: {
            const OptionArgument options(in, files());
            checkResult(target.initializeTarget(options.count(), options.list()),
                        "initializeTarget");
            break;
        }
        case 4: {
            int32_t connected = -1;
            const bool useNull = in.ConsumeIntegralInRange<int>(0, 7) == 0;
            checkResult(target.isConnected(useNull ? nullptr : &connected), "isConnected");
            KEL_FUZZ_CHECK(useNull || connected == (observed.opened ? 1 : 0),
                           "isConnected disagrees with isOpened");
            break;
        }
        case 5:
            pickChainFileVariable(in);
            checkResult(target.scanJTAGChain(), "scanJTAGChain");
            break;
        case 6:
            checkResult(target.fileScanJTAGChain(pickChainFilePath(in)), "fileScanJTAGChain");
            break;
        case 7:
            checkResult(target.targetScanJTAGChain(), "targetScanJTAGChain");
            break;
        case 8:
            KEL_FUZZ_CHECK(target.getDeviceCount() <= KEL_MAX_DEVICES, "more than 255 devices");
            checkTraceClosed("getDeviceCount");
            break;
        case 9:
            checkResult(target.setDeviceCount(kelfuzz::pickDeviceCount(in)), "setDeviceCount");
            break;
        case 10:
            target.getIRLength(pickDevice(in));
            checkTraceClosed("getIRLength");
            break;
        case 11:
            checkResult(target.setIRLength(pickDevice(in), kelfuzz::pickIRLength(in)),
                        "setIRLength");
            break;
        case 12:
            target.getDeviceID(pickDevice(in));
            checkTraceClosed("getDeviceID");
            break;
        case 13:
            checkResult(target.setDeviceID(pickDevice(in), in.ConsumeIntegral<uint32_t>()),
                        "setDeviceID");
            break;
        case 14:
            runInfo(target, in);
            break;
        case 15: {
            const auto context = in.ConsumeIntegral<int32_t>();
            target.setMessageContext(context);
            kelfuzz::expectMessageContext(context);
            target.setUserData(in.ConsumeIntegral<uint64_t>());
            break;
        }
        case 16:
            checkResult(target.lockTarget(in.ConsumeIntegral<uint32_t>()), "lockTarget");
            break;
        case 17:
            checkResult(target.unlockTarget(), "unlockTarget");
            break;
        case 18:
            checkResult(target.cleanLocks(), "cleanLocks");
            break;
        case 19:
            kelfuzz::checkUntracedResult(target.setLockOwned(in.ConsumeBool()), "setLockOwned");
            break;
        case 20:
            target.getTAPState();
            checkTraceClosed("getTAPState");
            break;
        case 21:
            checkResult(target.initializeTAP(), "initializeTAP");
            break;
        case 22: {
            const TapState state = kelfuzz::pickRunState(in);
            uint32_t count = kelfuzz::pickAmount(in);
            uint32_t wait = kelfuzz::pickAmount(in);
            if (simulated != nullptr) {
                // The simulation clocks a held shift state bit by bit: billions of clocks are a
                // long scan there, not a defect. Its waits really sleep, which finds nothing.
                count = std::min<uint32_t>(count, 5000);
                wait = 0;
            }
            const bool waiting = wait != 0 || in.ConsumeBool();
            const KelResult result =
                waiting ? target.navigateTAP(state, count, wait) : target.navigateTAP(state, count);
            checkResult(result, "navigateTAP");
            // A file can hold clocks only where SVF holds the TAP.
            const bool holdable = state == KELJTAG_TEST_LOGIC_RESET ||
                                  state == KELJTAG_RUN_TEST_IDLE || state == KELJTAG_PAUSE_DR ||
                                  state == KELJTAG_PAUSE_IR;
            KEL_FUZZ_CHECK(simulated != nullptr || count == 0 || holdable || result == KEL_FAILURE,
                           "the SVF target accepted clocks in a state SVF cannot hold");
            break;
        }
        case 23:
        case 24:
        case 25:
        case 26:
        case 27:
        case 28:
        case 29:
        case 30:
        case 31:
        case 32:
        case 33:
        case 34:
            checkResult(runScan(target, in, operation - 23), "a scan");
            break;
        case 35:
            checkResult(target.flush(), "flush");
            break;
        case 36: {
            uint32_t value = 0;
            checkResult(
                target.setPin(in.ConsumeIntegral<uint32_t>(), in.ConsumeIntegral<uint32_t>()),
                "setPin");
            beginOperation();
            checkResult(
                target.getPin(in.ConsumeIntegral<uint32_t>(), in.ConsumeBool() ? &value : nullptr),
                "getPin");
            beginOperation();
            checkResult(
                target.pulsePin(in.ConsumeIntegral<uint32_t>(), in.ConsumeIntegral<uint32_t>()),
                "pulsePin");
            break;
        }
        case 37:
            // The SVF target writes its waits; the simulated one really sleeps.
            checkResult(target.waitTime(simulated == nullptr ? kelfuzz::pickAmount(in) : 0),
                        "waitTime");
            break;
        case 38:
            checkResult(target.setWaitTimeAndRetries(in.ConsumeIntegral<uint32_t>(),
                                                     in.ConsumeIntegral<uint32_t>()),
                        "setWaitTimeAndRetries");
            break;
        case 39: {
            const char* command = kelfuzz::pickText(in, text);
            const std::vector<uint8_t> data =
                in.ConsumeBytes<uint8_t>(in.ConsumeIntegral<uint8_t>());
            checkResult(
                target.sendCommand(command, data.empty() ? nullptr : data.data(),
                                   static_cast<uint32_t>(data.size()), 0, 0, pickContext(in)),
                "sendCommand");
            break;
        }
        case 40: {
            const char* key = kelfuzz::pickText(in, text);
            checkResult(target.setOption(key, kelfuzz::pickText(in, other)), "setOption");
            beginOperation();
            checkResult(target.getOption(kelfuzz::pickText(in, other), 0, 0), "getOption");
            break;
        }
        case 41: {
            int32_t flag = -1;
            const bool useNull = in.ConsumeIntegralInRange<int>(0, 7) == 0;
            checkResult(target.isFileOutput(useNull ? nullptr : &flag), "isFileOutput");
            KEL_FUZZ_CHECK(useNull || flag == 0, "isFileOutput stored other than 0");
            break;
        }
        case 42:
            checkResult(target.writeComment(in.ConsumeIntegral<uintptr_t>()), "writeComment");
            beginOperation();
            checkResult(target.writeHeader(in.ConsumeIntegral<uintptr_t>()), "writeHeader");
            break;
        case 43:
            checkResult(
                target.scanEndState(in.ConsumeIntegral<uint32_t>(), in.ConsumeIntegral<uint32_t>()),
                "scanEndState");
            beginOperation();
            checkResult(target.startOperation(in.ConsumeIntegral<uint32_t>()), "startOperation");
            break;
        case 44: {
            const OptionArgument options(in, files());
            const char* value =
                KelPlugin::findKey(options.count(), options.list(), kelfuzz::pickText(in, text));
            checkTraceClosed("findKey");
            KEL_FUZZ_CHECK(value == nullptr || std::strlen(value) < 9000, "findKey value");
            break;
        }
        case 45: {
            const uint32_t device = pickDevice(in);
            target.getIRHeadingPadBits(device);
            target.getIRTrailingPadBits(device);
            target.getDRHeadingPadBits(device);
            target.getDRTrailingPadBits(device);
            checkTraceClosed("the pad-bit queries");
            break;
        }
        case 46: {
            const uint32_t bitCount = pickBitCount(in);
            BitArgument buffer(in, bitCount);
            BitArgument mask(in, bitCount);
            checkResult(target.maskBuffer(buffer.data(), buffer.data(), mask.data(), bitCount),
                        "maskBuffer");
            break;
        }
        default:
            runCopyBits(in);
            // Faults of the simulated hardware: a stuck TDO, shifts that fail after a few.
            if (in.ConsumeBool()) {
                const bool stuck = in.ConsumeBool();
                const KelResult failure = in.ConsumeBool() ? KEL_FAILURE : KEL_SUCCESS;
                const auto after = in.ConsumeIntegralInRange<uint32_t>(0, 3);
                if (simulated != nullptr) {
                    simulated->chain().setTdoStuckLow(stuck);
                    simulated->failShifts(failure, after);
                }
            }
    }
    KEL_FUZZ_CHECK(kelfuzz::traceDepth() == 0, "a trace left open");
    checkOpened(target, observed);
}

// A host that does not know what state the target is in closes it and gives up the lock first.
void resetAsAHost(KelPlugin& target, const Observed& observed) {
    if (observed.opened) {
        beginOperation();
        checkResult(target.closeTarget(), "closeTarget");
    }
    beginOperation();
    checkResult(target.unlockTarget(), "unlockTarget");
}

void expect(KelResult result, const char* operation) {
    checkResult(result, operation);
    KEL_FUZZ_CHECK(result == KEL_SUCCESS, std::string(operation) + " failed in the fresh session");
    beginOperation();
}

void describeChain(KelPlugin& target, const std::vector<uint32_t>& irLengths) {
    expect(target.setDeviceCount(static_cast<uint32_t>(irLengths.size())), "setDeviceCount");
    for (uint32_t device = 0; device < irLengths.size(); ++device) {
        expect(target.setIRLength(device, irLengths[device]), "setIRLength");
    }
}

void freshSvfSession(SVFFile& target, const Observed& observed) {
    resetAsAHost(target, observed);
    const std::string fname = "fname=" + files().finalOutput;
    const char* options[] = {fname.c_str(), "type=SVF"};
    beginOperation();
    expect(target.openTarget(2, options, CallContext{}), "openTarget");
    expect(target.lockTarget(0), "lockTarget");
    describeChain(target, {4, 6});
    const uint8_t instruction = 0x2A;
    expect(target.writeDeviceIR(1, &instruction, nullptr, 6, KELJTAG_RUN_TEST_IDLE, CallContext{}),
           "writeDeviceIR");
    expect(target.unlockTarget(), "unlockTarget");
    expect(target.closeTarget(), "closeTarget");
    KEL_FUZZ_CHECK(kelfuzz::readWholeFile(files().finalOutput) ==
                       "STATE RESET;\r\nSTATE IDLE;\r\n"
                       "HIR 0;\r\nTIR 4 TDI (0f);\r\nHDR 0;\r\nTDR 1 TDI (00);\r\n"
                       "SIR 6 TDI (2a);\r\n"
                       "STATE IDLE;\r\n",
                   "the fresh session wrote a different file");
}

std::vector<kelsim::SimulatedDevice> simulatedDevices() {
    std::vector<kelsim::SimulatedDevice> devices;
    devices.emplace_back(4, 0x0BA00477);
    devices.emplace_back(8).addDataRegister(0x02, 16);
    devices.emplace_back(5, 0x16D4A093);
    return devices;
}

void freshSimulatedSession(kelsim::SimulatedChainTarget& target, const Observed& observed) {
    target.chain().setTdoStuckLow(false);
    target.failShifts(KEL_SUCCESS);
    resetAsAHost(target, observed);
    const char* options[] = {"type=simulated"};
    beginOperation();
    expect(target.openTarget(1, options, CallContext{}), "openTarget");
    expect(target.lockTarget(0), "lockTarget");
    describeChain(target, {4, 8, 5});
    const uint8_t instruction = 0x02;
    expect(target.writeDeviceIR(1, &instruction, nullptr, 8, KELJTAG_RUN_TEST_IDLE, CallContext{}),
           "writeDeviceIR");
    KEL_FUZZ_CHECK(target.chain().device(1).instruction() == 0x02,
                   "the fresh session's instruction did not reach the device");
    KEL_FUZZ_CHECK(target.chain().device(0).instruction() == 0xF &&
                       target.chain().device(2).instruction() == 0x1F,
                   "the other devices are not in BYPASS after the fresh session's write");
    expect(target.unlockTarget(), "unlockTarget");
    expect(target.closeTarget(), "closeTarget");
}

template <typename Target>
Observed runSequence(Target& target, const uint8_t* data, size_t size,
                     kelsim::SimulatedChainTarget* simulated) {
    FuzzedDataProvider in(data, size);
    Observed observed;
    kelfuzz::expectMessageContext(0);
    for (int i = 0; i < kMaxOperations && in.remaining_bytes() > 0; ++i) {
        runOperation(target, in, observed, simulated);
    }
    return observed;
}

}  // namespace

// Whatever the sequence left in the output files was written by successful statements of a
// target that has since been closed: it must read as SVF, every vector within its length.
void checkOutputFilesReadAsSvf() {
    for (const std::string* path : {&files().outputA, &files().outputB}) {
        const std::string text = kelfuzz::readWholeFile(*path);
        kelsvfreader::SvfReader reader = kelsvfreader::SvfReader::fromString(text);
        kelsvfreader::Statement statement;
        while (reader.next(statement)) {
        }
        KEL_FUZZ_CHECK(!reader.failed(), *path + " does not read as SVF: line " +
                                             std::to_string(reader.error().position.line) + ": " +
                                             reader.error().message);
        std::remove(path->c_str());
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kelfuzz::installCheckingCallbacks();
    files();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        SVFFile target;
        const Observed observed = runSequence(target, data, size, nullptr);
        freshSvfSession(target, observed);
    }
    checkOutputFilesReadAsSvf();
    {
        kelsim::SimulatedChainTarget target(simulatedDevices());
        const Observed observed = runSequence(target, data, size, &target);
        freshSimulatedSession(target, observed);
    }
    unsetenv(kChainFileVariable);
    return 0;
}
