// Builders for the pass-through operations, the untraced host settings and the show query.
#include <array>
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "common/TextUtil.h"
#include "script/OperationBuilders.h"
#include "script/ScriptValues.h"
#include "script/Session.h"
#include "script/TapStateNames.h"

namespace kelsvf::build {
namespace {

using KelPluginInterface::CallContext;
using KelPluginInterface::KelTargetInfo;

// A value that is a TAP state name or a number: scanEndState takes either.
uint32_t stateOrNumber(const LineArgs& args, size_t i, std::string_view what) {
    if (const auto state = tapStateFromName(args[i])) {
        return static_cast<uint32_t>(*state);
    }
    return args.number(i, what);
}

// A text handed to the target as a pointer-sized argument; it lives as long as the Action.
using SharedText = std::shared_ptr<const std::string>;

SharedText textFrom(const LineArgs& args, size_t from) {
    return std::make_shared<const std::string>(join(args.words(), from, " "));
}

uintptr_t pointerValue(const SharedText& text) {
    return reinterpret_cast<uintptr_t>(text->c_str());
}

}  // namespace

Action wait(const LineArgs& args) {
    const uint32_t microseconds = args.number(0, "WAIT_US");
    return [microseconds](Session& session) { return session.target().waitTime(microseconds); };
}

Action flush(const LineArgs&) {
    return [](Session& session) { return session.target().flush(); };
}

Action setPin(const LineArgs& args) {
    const uint32_t pin = args.number(0, "PIN");
    const uint32_t value = args.number(1, "VALUE");
    return [pin, value](Session& session) { return session.target().setPin(pin, value); };
}

Action getPin(const LineArgs& args) {
    const uint32_t pin = args.number(0, "PIN");
    return [pin](Session& session) {
        uint32_t value = 0;
        const KelResult result = session.target().getPin(pin, &value);
        if (kelSucceeded(result)) {
            std::fprintf(session.out(), "pin %" PRIu32 " = %" PRIu32 "\n", pin, value);
        }
        return result;
    };
}

Action pulsePin(const LineArgs& args) {
    const uint32_t pin = args.number(0, "PIN");
    const uint32_t duration = args.number(1, "DURATION");
    return [pin, duration](Session& session) { return session.target().pulsePin(pin, duration); };
}

Action waitRetries(const LineArgs& args) {
    const uint32_t waitTime = args.number(0, "WAIT");
    const uint32_t retries = args.number(1, "RETRIES");
    return [waitTime, retries](Session& session) {
        return session.target().setWaitTimeAndRetries(waitTime, retries);
    };
}

Action command(const LineArgs& args) {
    const auto name = std::make_shared<const std::string>(args[0]);
    const SharedText data = args.size() > 1 ? textFrom(args, 1) : nullptr;
    return [name, data](Session& session) {
        // Text data travels with its terminating NUL, as the option commands send theirs.
        const void* bytes = data ? data->c_str() : nullptr;
        const auto length = data ? static_cast<uint32_t>(data->size() + 1) : 0u;
        return session.target().sendCommand(name->c_str(), bytes, length, 0, 0, CallContext{});
    };
}

Action option(const LineArgs& args) {
    const std::string key = args[0];
    const std::string value = args[1];
    return [key, value](Session& session) {
        return session.target().setOption(key.c_str(), value.c_str());
    };
}

Action getOption(const LineArgs& args) {
    const std::string key = args[0];
    return [key](Session& session) {
        std::array<char, 1024> reply{};
        const KelResult result = session.target().getOption(
            key.c_str(), reinterpret_cast<uintptr_t>(reply.data()), reply.size() - 1);
        if (kelSucceeded(result)) {
            std::fprintf(session.out(), "option %s = %s\n", key.c_str(), reply.data());
        }
        return result;
    };
}

Action comment(const LineArgs& args) {
    const SharedText text = textFrom(args, 0);
    return [text](Session& session) { return session.target().writeComment(pointerValue(text)); };
}

Action header(const LineArgs& args) {
    const SharedText text = textFrom(args, 0);
    return [text](Session& session) { return session.target().writeHeader(pointerValue(text)); };
}

Action endState(const LineArgs& args) {
    const uint32_t first = stateOrNumber(args, 0, "FIRST");
    const uint32_t second = stateOrNumber(args, 1, "SECOND");
    return
        [first, second](Session& session) { return session.target().scanEndState(first, second); };
}

Action startOperation(const LineArgs& args) {
    const uint32_t operation = args.number(0, "OPERATION");
    return [operation](Session& session) { return session.target().startOperation(operation); };
}

Action context(const LineArgs& args) {
    const uint32_t value = args.number(0, "NUMBER");
    return [value](Session& session) {
        session.target().setMessageContext(static_cast<int32_t>(value));
        return KEL_SUCCESS;
    };
}

Action userData(const LineArgs& args) {
    const uint64_t value = parseNumber(args[0], "NUMBER", UINT64_MAX);
    return [value](Session& session) {
        session.target().setUserData(value);
        return KEL_SUCCESS;
    };
}

Action lockOwned(const LineArgs& args) {
    const uint64_t owned = parseNumber(args[0], "0|1", 1);
    return [owned](Session& session) { return session.target().setLockOwned(owned == 1); };
}

Action show(const LineArgs&) {
    return [](Session& session) {
        KelPluginInterface::KelPlugin& target = session.target();
        std::FILE* out = session.out();
        int32_t connected = 0;
        int32_t fileOutput = 0;
        target.isConnected(&connected);
        target.isFileOutput(&fileOutput);
        std::fprintf(out, "opened: %s, connected: %" PRId32 ", file output: %" PRId32 "\n",
                     target.isOpened() ? "yes" : "no", connected, fileOutput);
        std::fprintf(out, "TAP state: %s\n",
                     std::string(kelStateName(target.getTAPState())).c_str());
        auto info = std::make_unique<KelTargetInfo>();
        if (kelSucceeded(target.getTargetInfo(info.get()))) {
            // The record's texts are NUL-terminated by contract; the sizes keep a bad one safe.
            std::fprintf(out, "plug-in: %.*s, %.*s, target type: %.*s\n",
                         static_cast<int>(sizeof info->pluginName), info->pluginName,
                         static_cast<int>(sizeof info->pluginVersion), info->pluginVersion,
                         static_cast<int>(sizeof info->targetType), info->targetType);
        }
        const uint32_t count = target.getDeviceCount();
        std::fprintf(out, "devices: %" PRIu32 "\n", count);
        for (uint32_t device = 0; device < count; ++device) {
            const uint32_t id = target.getDeviceID(device);
            const uint32_t irLength = target.getIRLength(device);
            std::fprintf(out, "  device %" PRIu32 ": IDCODE %08" PRIx32 ", IR length %" PRIu32 "\n",
                         device, id, irLength);
        }
        return KEL_SUCCESS;
    };
}

}  // namespace kelsvf::build
