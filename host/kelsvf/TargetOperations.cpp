// Builders for target lifecycle, chain description, TAP moves and device writes.
#include <cstdlib>
#include <optional>

#include "OperationBuilders.h"
#include "ReadFile.h"
#include "ScriptValues.h"
#include "Session.h"
#include "TextUtil.h"

namespace kelsvf::build {
namespace {

using KelPluginInterface::CallContext;
using KelPluginInterface::TapState;

constexpr char kChainFileVariable[] = "ZOR_VANTORA_JTAGFILE";

// Device writes end in Run-Test/Idle, the state a host returns to between scans. (The SVF
// target ignores it; the scan statements move the TAP themselves when replayed.)
constexpr TapState kScanEndState = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;

// The value of `key` the way the plug-in finds it: the first entry whose text before its first
// '=' equals the key in any case. A bare key has no value.
std::optional<std::string> optionValue(const std::vector<std::string>& options,
                                       std::string_view key) {
    for (const std::string& option : options) {
        const size_t equals = option.find('=');
        const std::string_view name = std::string_view(option).substr(0, equals);
        if (equalsIgnoringCase(name, key)) {
            if (equals == std::string::npos) {
                return std::nullopt;
            }
            return option.substr(equals + 1);
        }
    }
    return std::nullopt;
}

// "kelsvf run -o PATH": the output file named on the command line wins over the script's.
void applyOutputOverride(std::vector<std::string>& options, const std::string& path) {
    for (std::string& option : options) {
        const size_t equals = option.find('=');
        if (equalsIgnoringCase(std::string_view(option).substr(0, equals), "fname")) {
            option = "fname=" + path;
            return;
        }
    }
    options.push_back("fname=" + path);
}

// The scan data of an ir or dr line, from the word after DEVICE on: "BITS HEX", "BITS @FILE"
// or "@FILE".
ScanData scanData(const LineArgs& args, std::string_view operation) {
    const bool fromFile = args[args.size() - 1].starts_with('@');
    std::optional<uint32_t> bitCount;
    if (args.size() == 3) {
        bitCount = args.number(1, "BITS");
        if (*bitCount == 0) {
            throw LineError(std::string(operation) + ": BITS must be at least 1");
        }
    } else if (!fromFile) {
        throw LineError("missing argument for " + std::string(operation) + " (usage: " +
                        std::string(operation) + " DEVICE BITS HEX | DEVICE [BITS] @FILE)");
    }
    if (fromFile) {
        return readDataFile(args.inputPath(std::string_view(args[args.size() - 1]).substr(1)),
                            bitCount);
    }
    return parseHexValue(args[2], *bitCount);
}

}  // namespace

Action open(const LineArgs& args) {
    std::vector<std::string> options = args.words();
    if (++args.state().openLines > 1 && args.settings().outputOverride) {
        throw LineError("-o names one output file, but the script opens a second one");
    }
    if (args.settings().outputOverride) {
        applyOutputOverride(options, *args.settings().outputOverride);
    }
    const std::optional<std::string> fname = optionValue(options, "fname");
    return [options = std::move(options), fname](Session& session) {
        std::vector<const char*> list;
        for (const std::string& option : options) {
            list.push_back(option.c_str());
        }
        const KelResult result = session.target().openTarget(static_cast<uint32_t>(list.size()),
                                                             list.data(), CallContext{});
        session.recordOpen(result, fname);
        return result;
    };
}

Action close(const LineArgs&) {
    return [](Session& session) {
        const KelResult result = session.target().closeTarget();
        session.recordClose();
        return result;
    };
}

Action lock(const LineArgs& args) {
    const uint32_t flags = args.size() > 0 ? args.number(0, "FLAGS") : 0;
    return [flags](Session& session) { return session.target().lockTarget(flags); };
}

Action unlock(const LineArgs&) {
    return [](Session& session) { return session.target().unlockTarget(); };
}

Action cleanLocks(const LineArgs&) {
    return [](Session& session) { return session.target().cleanLocks(); };
}

Action devices(const LineArgs& args) {
    const uint32_t count = args.number(0, "COUNT");
    return [count](Session& session) { return session.target().setDeviceCount(count); };
}

Action idcode(const LineArgs& args) {
    const uint32_t device = args.number(0, "DEVICE");
    const uint32_t id = parseIdcode(args[1]);
    return [device, id](Session& session) { return session.target().setDeviceID(device, id); };
}

Action irlen(const LineArgs& args) {
    const uint32_t device = args.number(0, "DEVICE");
    const uint32_t bits = args.number(1, "BITS");
    return [device, bits](Session& session) { return session.target().setIRLength(device, bits); };
}

Action chain(const LineArgs& args) {
    std::vector<uint32_t> lengths;
    for (size_t i = 0; i < args.size(); ++i) {
        lengths.push_back(args.number(i, "IRLEN"));
    }
    return [lengths](Session& session) {
        KelResult result = session.target().setDeviceCount(static_cast<uint32_t>(lengths.size()));
        for (uint32_t device = 0; device < lengths.size() && kelSucceeded(result); ++device) {
            result = session.target().setIRLength(device, lengths[device]);
        }
        return result;
    };
}

Action chainFile(const LineArgs& args) {
    if (args.size() == 0) {
        return [](Session&) {
            unsetenv(kChainFileVariable);
            return KEL_SUCCESS;
        };
    }
    const std::string path = args.inputPath(args[0]).string();
    std::string error;
    if (!readWholeFile(path, error)) {
        throw LineError("cannot read chain file '" + path + "': " + error);
    }
    return [path](Session&) {
        return setenv(kChainFileVariable, path.c_str(), 1) == 0 ? KEL_SUCCESS : KEL_FAILURE;
    };
}

Action scan(const LineArgs&) {
    return [](Session& session) { return session.target().scanJTAGChain(); };
}

Action reset(const LineArgs&) {
    return [](Session& session) { return session.target().initializeTAP(); };
}

Action state(const LineArgs& args) {
    const TapState target = parseTapState(args[0]);
    const uint32_t clocks = args.size() > 1 ? args.number(1, "CLOCKS") : 0;
    if (args.size() > 2) {
        // The waiting form is a separate call of the target, so it is used only when asked for.
        const uint32_t wait = args.number(2, "WAIT_US");
        return [target, clocks, wait](Session& session) {
            return session.target().navigateTAP(target, clocks, wait);
        };
    }
    return
        [target, clocks](Session& session) { return session.target().navigateTAP(target, clocks); };
}

Action runtest(const LineArgs& args) {
    std::vector<std::string> words{"IDLE"};
    words.insert(words.end(), args.words().begin(), args.words().end());
    return state(LineArgs(std::move(words), args.settings(), args.state()));
}

Action ir(const LineArgs& args) {
    const uint32_t device = args.number(0, "DEVICE");
    ScanData data = scanData(args, "ir");
    return [device, data = std::move(data)](Session& session) {
        return session.target().writeDeviceIR(device, data.bytes.data(), nullptr, data.bitCount,
                                              kScanEndState, CallContext{});
    };
}

Action dr(const LineArgs& args) {
    const uint32_t device = args.number(0, "DEVICE");
    ScanData data = scanData(args, "dr");
    return [device, data = std::move(data)](Session& session) {
        return session.target().writeDeviceDR(device, data.bytes.data(), nullptr, data.bitCount,
                                              kScanEndState, CallContext{});
    };
}

}  // namespace kelsvf::build
