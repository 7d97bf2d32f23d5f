// One traced call: the enter trace on construction, the exit trace with the result text on
// every way out.
#ifndef KEL_BOUNDARY_TRACE_SCOPE_H
#define KEL_BOUNDARY_TRACE_SCOPE_H

#include <cstddef>
#include <cstdint>

#include "kel/KelPluginBoundary.h"

namespace KelPluginInterface::boundary {

constexpr size_t kTraceTextSize = 512;  // both texts hold at most 511 characters

// Writes the result text of a KelResult: "KEL_SUCCESS" or "KEL_FAILURE, ERROR CODE: %X" with the
// low 16 bits of the code.
void formatResultText(char (&out)[kTraceTextSize], KelResult code);

class TraceScope {
  public:
    explicit TraceScope(const char* name);
    ~TraceScope();

    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

    // Each writer sets the result text and returns its argument, so that an operation can end
    // with `return trace.result(code);`.
    KelResult result(KelResult code);
    bool resultBool(bool flag);            // "true" / "false"
    int32_t resultInteger(int32_t value);  // "%d"
    uint32_t resultUnsigned(uint32_t value) {
        resultInteger(static_cast<int32_t>(value));
        return value;
    }
    // The text itself cut at 511 characters, or "0 (NULL)" for null.
    const char* resultText(const char* text);
    // Leaves the result text empty, as operations that leave early do.
    void clearResult() { result_[0] = '\0'; }

    const char* name() const { return name_; }

  private:
    char name_[kTraceTextSize];
    char result_[kTraceTextSize];
};

}  // namespace KelPluginInterface::boundary

#endif  // KEL_BOUNDARY_TRACE_SCOPE_H
