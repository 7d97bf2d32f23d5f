#include "TraceScope.h"

#include <cstdio>
#include <cstring>

#include "CallbackTable.h"

namespace KelPluginInterface::boundary {
namespace {

void copyText(char (&out)[kTraceTextSize], const char* text) {
    const size_t length = strnlen(text, kTraceTextSize - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

}  // namespace

void formatResultText(char (&out)[kTraceTextSize], KelResult code) {
    if (kelSucceeded(code)) {
        copyText(out, "KEL_SUCCESS");
        return;
    }
    std::snprintf(out, kTraceTextSize, "KEL_FAILURE, ERROR CODE: %X",
                  static_cast<unsigned>(static_cast<uint32_t>(code) & 0xFFFFu));
}

TraceScope::TraceScope(const char* name) {
    copyText(name_, name);
    result_[0] = '\0';
    if (const auto enter = callbacks().traceEnterCallback) {
        enter(name_);
    }
}

TraceScope::~TraceScope() {
    if (const auto exit = callbacks().traceExitCallback) {
        exit(result_);
    }
}

KelResult TraceScope::result(KelResult code) {
    formatResultText(result_, code);
    return code;
}

bool TraceScope::resultBool(bool flag) {
    copyText(result_, flag ? "true" : "false");
    return flag;
}

int32_t TraceScope::resultInteger(int32_t value) {
    std::snprintf(result_, kTraceTextSize, "%d", value);
    return value;
}

const char* TraceScope::resultText(const char* text) {
    copyText(result_, text != nullptr ? text : "0 (NULL)");
    return text;
}

}  // namespace KelPluginInterface::boundary
