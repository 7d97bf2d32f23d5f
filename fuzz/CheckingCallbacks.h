// Host callbacks for the fuzzers that check everything the library sends back: every trace
// enter gets its exit, every print is well formed for its format, every message and dump is
// readable. A violation ends the run through fail(), so libFuzzer keeps the input.
#ifndef KEL_FUZZ_CHECKING_CALLBACKS_H
#define KEL_FUZZ_CHECKING_CALLBACKS_H

#include <cstdint>
#include <string>

#include "kel/KelPluginBoundary.h"

namespace kelfuzz {

// Writes why to stderr and aborts.
[[noreturn]] void fail(const std::string& why);

// Fails the run unless `condition` holds; `why` is only built when it does not.
#define KEL_FUZZ_CHECK(condition, why) \
    do {                               \
        if (!(condition)) {            \
            ::kelfuzz::fail(why);      \
        }                              \
    } while (false)

// Installs the checking callbacks into the library's callback table.
void installCheckingCallbacks();

// Messages must carry this context (the last value given to setMessageContext).
void expectMessageContext(int32_t context);

// Trace nesting now; 0 between public operations.
int traceDepth();

// The result text of the last trace exit that returned to depth 0.
const std::string& lastOuterExitText();

// The number of messages the library has sent so far.
uint64_t messageCount();

// Call before each public operation: forgets the previous operation's outer exit.
void beginOperation();

// Checks what a traced operation returning a KelResult must leave behind: its trace closed, the
// code one of the two the library produces, and an outer exit text that agrees with it.
void checkResult(KelResult result, const char* operation);

// For an untraced operation returning a KelResult: one of the two codes, no trace left open.
void checkUntracedResult(KelResult result, const char* operation);

// For a traced operation with another kind of result: its trace opened and closed.
void checkTraceClosed(const char* operation);

}  // namespace kelfuzz

#endif  // KEL_FUZZ_CHECKING_CALLBACKS_H
