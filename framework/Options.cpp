// Option lookup in the caller's key=value list, and the option operations that the defaults
// turn into "set" and "get" commands.
#include <cstdint>
#include <cstring>
#include <string>

#include "TracedCall.h"
#include "boundary/Guard.h"
#include "boundary/TraceScope.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {
namespace {

// Only this much of an entry is examined: an equals sign further on is not seen.
constexpr size_t kExaminedOptionLength = 511;

constexpr char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares the first `keyLength` characters of an entry with the whole wanted key, folding the
// case of ASCII letters only.
bool sameKey(const char* entry, size_t keyLength, const char* wanted) {
    if (strnlen(wanted, keyLength + 1) != keyLength) {
        return false;
    }
    for (size_t i = 0; i < keyLength; ++i) {
        if (asciiLower(entry[i]) != asciiLower(wanted[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* KelPlugin::findKey(uint32_t optionCount, const char* const* optionList,
                               const char* key) {
    boundary::TraceScope trace("KelPlugin::findKey");
    // An empty list may come as null; a list that claims entries may not.
    if (key == nullptr || (optionList == nullptr && optionCount != 0)) {
        printMessage(KEL_PRINT_ERROR,
                     "<KelPlugin> findKey called with a NULL option list or key\n");
        trace.resultInteger(0);
        return nullptr;
    }
    for (uint32_t i = 0; i < optionCount; ++i) {
        const char* entry = optionList[i];
        if (entry == nullptr) {
            continue;  // a hole in the host's list names no key
        }
        const size_t examined = strnlen(entry, kExaminedOptionLength);
        const auto* equals = static_cast<const char*>(std::memchr(entry, '=', examined));
        const size_t keyLength = equals != nullptr ? static_cast<size_t>(equals - entry) : examined;
        if (!sameKey(entry, keyLength, key)) {
            continue;
        }
        // The first entry with the key decides, even when it has no value.
        const char* value = equals != nullptr ? equals + 1 : nullptr;
        return trace.resultText(value);
    }
    trace.resultInteger(0);
    return nullptr;
}

KelResult KelPlugin::setOptionImpl(const char* key, const char* value) {
    return boundary::guardedResult("KelPlugin::setOption", [&] {
        std::string text;
        text.reserve(std::strlen(key) + std::strlen(value) + 2);
        text.append(key).append(1, '=').append(value);
        // The command channel measures data in 32 bits, terminating NUL included.
        if (text.size() >= UINT32_MAX) {
            printMessage(KEL_PRINT_ERROR, "<KelPlugin> setOption text is too long\n");
            return KEL_FAILURE;
        }
        return sendCommand("set", text.c_str(), static_cast<uint32_t>(text.size() + 1), 0, 0,
                           CallContext{});
    });
}

KelResult KelPlugin::getOptionImpl(const char* key, uintptr_t reply, uintptr_t replySize) {
    const size_t keyLength = std::strlen(key);
    if (keyLength >= UINT32_MAX) {
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> getOption key is too long\n");
        return KEL_FAILURE;
    }
    return sendCommand("get", key, static_cast<uint32_t>(keyLength + 1), reply, replySize,
                       CallContext{});
}

KelResult KelPlugin::isFileOutputImpl(int32_t* flag) {
    *flag = 0;
    return KEL_SUCCESS;
}

KelResult KelPlugin::setOption(const char* key, const char* value) {
    if (key == nullptr || value == nullptr) {
        boundary::TraceScope trace("KelPlugin::setOption");
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> setOption called with a NULL key or value\n");
        return trace.result(KEL_FAILURE);
    }
    return framework::tracedCall("KelPlugin::setOption", [&] { return setOptionImpl(key, value); });
}

KelResult KelPlugin::getOption(const char* key, uintptr_t reply, uintptr_t replySize) {
    if (key == nullptr) {
        boundary::TraceScope trace("KelPlugin::getOption");
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> getOption called with a NULL key\n");
        return trace.result(KEL_FAILURE);
    }
    return framework::tracedCall("KelPlugin::getOption",
                                 [&] { return getOptionImpl(key, reply, replySize); });
}

KelResult KelPlugin::isFileOutput(int32_t* flag) {
    if (flag == nullptr) {
        boundary::TraceScope trace("KelPlugin::isFileOutput");
        printMessage(KEL_PRINT_ERROR, "<KelPlugin> isFileOutput called with a NULL pointer\n");
        return trace.result(KEL_FAILURE);
    }
    return framework::tracedCall("KelPlugin::isFileOutput", [&] { return isFileOutputImpl(flag); });
}

}  // namespace KelPluginInterface
