// The shape of most public operations: trace the call, run the target's implementation behind the
// exception guard, and close the trace with the result text of its code.
#ifndef KEL_FRAMEWORK_TRACED_CALL_H
#define KEL_FRAMEWORK_TRACED_CALL_H

#include <utility>

#include "boundary/Guard.h"
#include "boundary/TraceScope.h"
#include "kel/KelPluginBoundary.h"

namespace KelPluginInterface::framework {

// `name` is both the trace name and the place named if the implementation throws.
template <typename Body>
KelResult tracedCall(const char* name, Body&& body) noexcept {
    boundary::TraceScope trace(name);
    return trace.result(boundary::guardedResult(name, std::forward<Body>(body)));
}

}  // namespace KelPluginInterface::framework

#endif  // KEL_FRAMEWORK_TRACED_CALL_H
