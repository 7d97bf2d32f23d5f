#include "CheckingCallbacks.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "boundary/CallbackTable.h"

namespace kelfuzz {
namespace {

constexpr size_t kMaxTraceText = 511;
constexpr const char* kNoExit = "<no trace>";

// Keeps the reads of dumped bytes from being optimised away.
volatile unsigned dumpSink;

struct State {
    int depth = 0;
    int32_t context = 0;
    uint64_t messages = 0;
    std::string lastOuterExit = kNoExit;
};

State& state() {
    static State instance;
    return instance;
}

// Walks the arguments as the format's conversions take them, so that a missing or mistyped
// argument shows up here (as a sanitizer report or a failed check) instead of inside a host.
void walkArguments(const char* format, va_list args) {
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            continue;
        }
        ++p;
        if (*p == '%') {
            continue;
        }
        while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) {
            ++p;
        }
        if (*p == '*') {
            (void)va_arg(args, int);
            ++p;
        } else {
            while (std::isdigit(static_cast<unsigned char>(*p))) {
                ++p;
            }
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            if (*p == '*') {
                precision = va_arg(args, int);
                ++p;
            } else {
                while (std::isdigit(static_cast<unsigned char>(*p))) {
                    precision = precision * 10 + (*p - '0');
                    ++p;
                }
            }
        }
        int longs = 0;
        bool sizeT = false;
        for (; *p == 'l' || *p == 'h' || *p == 'z'; ++p) {
            longs += *p == 'l' ? 1 : 0;
            sizeT = sizeT || *p == 'z';
        }
        switch (*p) {
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
            case 'c':
                if (sizeT) {
                    (void)va_arg(args, size_t);
                } else if (longs == 2) {
                    (void)va_arg(args, long long);
                } else if (longs == 1) {
                    (void)va_arg(args, long);
                } else {
                    (void)va_arg(args, int);
                }
                break;
            case 's': {
                const char* text = va_arg(args, const char*);
                KEL_FUZZ_CHECK(text != nullptr,
                               std::string("print with a null %s argument: ") + format);
                // Reads the text as the host's formatting will; the sanitizer sees a bad one.
                (void)(precision >= 0 ? strnlen(text, static_cast<size_t>(precision))
                                      : std::strlen(text));
                break;
            }
            case 'p':
                (void)va_arg(args, void*);
                break;
            default:
                fail(std::string("print format with an unexpected conversion: ") + format);
        }
    }
}

void onPrint(uint32_t level, const char* format, va_list args) {
    KEL_FUZZ_CHECK(format != nullptr, "print with a null format");
    KEL_FUZZ_CHECK(level >= KEL_PRINT_ERROR && level <= KEL_PRINT_DETAIL,
                   "print at level " + std::to_string(level) + ": " + format);
    va_list walk;
    va_copy(walk, args);
    walkArguments(format, walk);
    va_end(walk);

    // The whole text as a host renders it; only its length matters here.
    char text[1024];
    va_list render;
    va_copy(render, args);
#pragma clang diagnostic push
#pragma clang diagnostic ignored \
    "-Wformat-nonliteral"  // checking the library's formats is the point
    const int length = std::vsnprintf(text, sizeof text, format, render);
#pragma clang diagnostic pop
    va_end(render);
    KEL_FUZZ_CHECK(length > 0, std::string("print that formats to nothing or fails: ") + format);
    // A caught exception is a defect in the fuzzers' world: no allocation fails here.
    KEL_FUZZ_CHECK(std::strstr(format, "unexpected exception") == nullptr,
                   std::string("exception caught: ") + text);
}

void onMessage(int32_t context, uint32_t level, const char* text) {
    KEL_FUZZ_CHECK(text != nullptr, "message with a null text");
    KEL_FUZZ_CHECK(std::strlen(text) > 0, "empty message");
    KEL_FUZZ_CHECK(level == KEL_MSG_ERROR,
                   "message at level " + std::to_string(level) + ": " + text);
    KEL_FUZZ_CHECK(context == state().context,
                   std::string("message with a stale context: ") + text);
    ++state().messages;
}

void onDump(uint32_t level, const char* label, const uint8_t* buffer, uint32_t bitCount) {
    KEL_FUZZ_CHECK(level == KEL_PRINT_DUMP, "dump at level " + std::to_string(level));
    KEL_FUZZ_CHECK(label != nullptr && std::strlen(label) > 0, "dump without a label");
    KEL_FUZZ_CHECK(bitCount == 0 || buffer != nullptr, "dump of a null buffer");
    unsigned sum = 0;
    for (size_t i = 0; i < (size_t{bitCount} + 7) / 8; ++i) {
        sum += buffer[i];  // every byte the host may read must be readable
    }
    dumpSink = sum;
}

void onTraceEnter(const char* name) {
    KEL_FUZZ_CHECK(name != nullptr, "trace enter with a null name");
    const size_t length = std::strlen(name);
    KEL_FUZZ_CHECK(length <= kMaxTraceText, "trace name longer than 511 characters");
    KEL_FUZZ_CHECK(std::strncmp(name, "KelPlugin::", 11) == 0, std::string("trace name: ") + name);
    ++state().depth;
}

void onTraceExit(const char* result) {
    KEL_FUZZ_CHECK(result != nullptr, "trace exit with a null text");
    KEL_FUZZ_CHECK(std::strlen(result) <= kMaxTraceText, "result text longer than 511 characters");
    KEL_FUZZ_CHECK(state().depth > 0, std::string("trace exit without an enter: ") + result);
    if (--state().depth == 0) {
        state().lastOuterExit = result;
    }
}

}  // namespace

void fail(const std::string& why) {
    std::fprintf(stderr, "\n*** invariant violated: %s\n", why.c_str());
    std::fflush(stderr);
    std::abort();
}

void installCheckingCallbacks() {
    const KelPluginCallbacks table{onMessage, onPrint, onDump, onTraceEnter, onTraceExit};
    KelPluginInterface::boundary::setCallbacks(&table);
}

void expectMessageContext(int32_t context) {
    state().context = context;
}

int traceDepth() {
    return state().depth;
}

const std::string& lastOuterExitText() {
    return state().lastOuterExit;
}

uint64_t messageCount() {
    return state().messages;
}

void beginOperation() {
    KEL_FUZZ_CHECK(state().depth == 0, "an operation starts inside an open trace");
    state().lastOuterExit = kNoExit;
}

void checkTraceClosed(const char* operation) {
    KEL_FUZZ_CHECK(state().depth == 0, std::string(operation) + " left a trace open");
    KEL_FUZZ_CHECK(state().lastOuterExit != kNoExit, std::string(operation) + " was not traced");
}

void checkUntracedResult(KelResult result, const char* operation) {
    KEL_FUZZ_CHECK(state().depth == 0, std::string(operation) + " left a trace open");
    KEL_FUZZ_CHECK(result == KEL_SUCCESS || result == KEL_FAILURE,
                   std::string(operation) + " returned " + std::to_string(result));
}

void checkResult(KelResult result, const char* operation) {
    checkTraceClosed(operation);
    checkUntracedResult(result, operation);
    // An operation that leaves early before writing its result reports an empty text.
    const std::string& text = state().lastOuterExit;
    const char* expected = result == KEL_SUCCESS ? "KEL_SUCCESS" : "KEL_FAILURE, ERROR CODE: 0";
    KEL_FUZZ_CHECK(text.empty() || text == expected, std::string(operation) + " returned " +
                                                         std::to_string(result) +
                                                         " but its trace says '" + text + "'");
}

}  // namespace kelfuzz
