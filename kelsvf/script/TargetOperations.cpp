// Builders for target lifecycle, chain description, TAP moves and device writes.
#include <cstdlib>
#include <optional>

#include "common/ReadFile.h"
#include "common/TextUtil.h"
#include "script/OperationBuilders.h"
#include "script/ScriptValues.h"
#include "script/Session.h"
#include "script/TapStateNames.h"

namespace kelsvf::build {
namespace {

using KelPluginInterface::CallContext;
using KelPluginInterface::TapState;

// Device writes end in Run-Test/Idle, the state a host returns to between scans, unless the
// line names another.
constexpr TapState kScanEndState = KelPluginInterface::KELJTAG_RUN_TEST_IDLE;

// The most devices the plug-in keeps on a chain.
constexpr size_t kMaxChainDevices = 255;

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

// Sets fname= the way the plug-in reads it: the first fname entry, or a new one.
void setFileName(std::vector<std::string>& options, const std::string& path) {
    for (std::string& option : options) {
        const size_t equals = option.find('=');
        if (equalsIgnoringCase(std::string_view(option).substr(0, equals), "fname")) {
            option = "fname=" + path;
            return;
        }
    }
    options.push_back("fname=" + path);
}

struct ScanLine {
    uint32_t device = 0;
    ScanData data;
    TapState end = kScanEndState;
};

// An ir or dr line: "DEVICE BITS HEX [END]", "DEVICE BITS @FILE [END]" or "DEVICE @FILE [END]".
// A last word that names a TAP state is END; no HEX, BITS or @FILE word can.
ScanLine scanLine(const LineArgs& args, std::string_view operation) {
    ScanLine line;
    size_t count = args.size();
    if (count == 4) {
        line.end = parseTapState(args[3]);
        --count;
    } else if (const auto end = tapStateFromName(args[count - 1]); end && count == 3) {
        line.end = *end;
        --count;
    }
    const std::string missing = "missing argument for " + std::string(operation) +
                                " (usage: " + std::string(operation) + " " +
                                std::string(findOperation(operation)->usage) + ")";
    const bool fromFile = args[count - 1].starts_with('@');
    if (count < 2 || (count == 2 && !fromFile)) {
        throw LineError(missing);
    }
    line.device = args.number(0, "DEVICE");
    std::optional<uint32_t> bitCount;
    if (count == 3) {
        bitCount = args.number(1, "BITS");
        if (*bitCount == 0) {
            throw LineError(std::string(operation) + ": BITS must be at least 1");
        }
    }
    if (fromFile) {
        const DataFileName name = parseDataFileName(std::string_view(args[count - 1]).substr(1));
        const std::string path = args.inputPath(name.path).string();
        args.state().addInput({path, "the data file", args.state().line});
        line.data = readDataFile(path, bitCount, name.order, args.settings().dataFiles);
    } else {
        line.data = parseHexValue(args[2], *bitCount);
    }
    return line;
}

// The IR length the chain lines gave the device, when they gave one.
std::optional<uint32_t> knownIrLength(const ParseState& state, uint32_t device) {
    if (!state.chainKnown || device >= state.irLengths.size() || state.irLengths[device] == 0) {
        return std::nullopt;
    }
    return state.irLengths[device];
}

// Every device has an IR of at least one bit.
void checkIrLength(uint32_t length, uint32_t device, std::string_view operation) {
    if (length == 0) {
        throw LineError(std::string(operation) + ": the IR length of device " +
                        std::to_string(device) + " is 0, but every device's IR is at least 1 bit");
    }
}

// A longer chain would be cut by the plug-in, its last devices silently gone.
void checkDeviceCount(size_t count, std::string_view operation) {
    if (count > kMaxChainDevices) {
        throw LineError(std::string(operation) + ": " + std::to_string(count) +
                        " devices, but a chain holds at most " + std::to_string(kMaxChainDevices));
    }
}

}  // namespace

Action open(const LineArgs& args) {
    std::vector<std::string> options = args.words();
    for (const std::string& option : options) {
        if (option.find('=') == std::string::npos || option.front() == '=') {
            throw LineError("open takes KEY=VALUE options, but got '" + shownWord(option) +
                            "' (one operation a line)");
        }
    }
    const std::optional<std::string>& override = args.settings().outputOverride;
    if (++args.state().openLines > 1 && override) {
        throw LineError("-o names one output file, but the script opens a second one");
    }
    if (override) {
        setFileName(options, *override);
    }
    // The output as the user named it; what the plug-in is handed instead is decided when the
    // line runs (a temporary file beside it, or the relay to standard output).
    std::optional<OutputRequest> output;
    if (const std::optional<std::string> fname = optionValue(options, "fname");
        fname && !fname->empty()) {
        output = OutputRequest{*fname, override && *override == "-"};
        args.state().addOutput({*fname, "the output", args.state().line, override.has_value(),
                                output->standardOutput});
    }
    return [options = std::move(options), output](Session& session) {
        std::vector<std::string> handed = options;
        std::optional<OutputFiles::Prepared> prepared;
        if (output) {
            std::string problem;
            prepared = session.outputs().prepare(*output, problem);
            if (!prepared) {
                session.errors().print("kelsvf: cannot write " + shownText(output->shown()) + ": " +
                                       problem);
                return KEL_FAILURE;
            }
            setFileName(handed, prepared->pluginPath);
        }
        std::vector<const char*> list;
        for (const std::string& option : handed) {
            list.push_back(option.c_str());
        }
        const KelResult result = session.target().openTarget(static_cast<uint32_t>(list.size()),
                                                             list.data(), CallContext{});
        session.recordOpen(result);
        if (prepared && kelSucceeded(result)) {
            session.outputs().opened(prepared->index);
        } else if (prepared) {
            session.errors().print("kelsvf: cannot write " + shownText(output->shown()) + ": " +
                                   session.outputs().refused(prepared->index));
        }
        // The target closed what it wrote before: that output is complete now.
        session.outputs().settle(prepared && kelSucceeded(result)
                                     ? std::optional<size_t>(prepared->index)
                                     : std::nullopt);
        return result;
    };
}

Action close(const LineArgs&) {
    return [](Session& session) {
        const KelResult result = session.target().closeTarget();
        session.recordClose();
        session.outputs().settle(std::nullopt);
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
    checkDeviceCount(count, "devices");
    args.state().chainKnown = true;
    args.state().irLengths.resize(count, 0);
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
    checkIrLength(bits, device, "irlen");
    if (device < args.state().irLengths.size()) {
        args.state().irLengths[device] = bits;
    }
    return [device, bits](Session& session) { return session.target().setIRLength(device, bits); };
}

Action chain(const LineArgs& args) {
    std::vector<uint32_t> lengths;
    for (size_t i = 0; i < args.size(); ++i) {
        lengths.push_back(args.number(i, "IRLEN"));
        checkIrLength(lengths.back(), static_cast<uint32_t>(i), "chain");
    }
    checkDeviceCount(lengths.size(), "chain");
    args.state().chainKnown = true;
    args.state().irLengths = lengths;
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
        args.state().chainFile.clear();
        return [](Session&) {
            unsetenv(kChainFileVariable);
            return KEL_SUCCESS;
        };
    }
    const std::string path = args.inputPath(args[0]).string();
    std::string error;
    if (!readWholeFile(path, error, kMaxChainFileBytes)) {
        throw LineError("cannot read chain file '" + shownText(path) + "': " + error);
    }
    args.state().chainFile = path;
    return [path](Session&) {
        return setenv(kChainFileVariable, path.c_str(), 1) == 0 ? KEL_SUCCESS : KEL_FAILURE;
    };
}

Action scan(const LineArgs& args) {
    if (!args.state().chainFile.empty()) {
        // Also the environment's file, which no chainfile line looked at: the plug-in reads
        // whatever it is handed, /dev/zero too.
        std::string error;
        if (!readWholeFile(args.state().chainFile, error, kMaxChainFileBytes)) {
            throw LineError("cannot read chain file '" + shownText(args.state().chainFile) +
                            "': " + error);
        }
        args.state().addInput(
            {args.state().chainFile, "the chain-description file", args.state().line});
    }
    args.state().chainKnown = false;  // the file gives IDCODEs; IR lengths follow
    return [](Session& session) {
        const KelResult result = session.target().scanJTAGChain();
        const char* chainFile = std::getenv(kChainFileVariable);
        if (kelFailed(result) && (chainFile == nullptr || chainFile[0] == '\0')) {
            session.errors().print(
                "kelsvf: scan: no chain-description file is set; name one with 'chainfile PATH' "
                "before scan (or set " +
                std::string(kChainFileVariable) + ")");
        }
        return result;
    };
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
    ScanLine line = scanLine(args, "ir");
    if (const std::optional<uint32_t> length = knownIrLength(args.state(), line.device);
        length && *length != line.data.bitCount) {
        throw LineError("ir: device " + std::to_string(line.device) + " has an IR of " +
                        std::to_string(*length) + " bits on this chain, but the line shifts " +
                        std::to_string(line.data.bitCount));
    }
    return [line = std::move(line)](Session& session) {
        return session.target().writeDeviceIR(line.device, line.data.buffer(), nullptr,
                                              line.data.bitCount, line.end, CallContext{});
    };
}

Action dr(const LineArgs& args) {
    return [line = scanLine(args, "dr")](Session& session) {
        return session.target().writeDeviceDR(line.device, line.data.buffer(), nullptr,
                                              line.data.bitCount, line.end, CallContext{});
    };
}

}  // namespace kelsvf::build
