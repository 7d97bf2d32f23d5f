// The one place where exceptions stop: no exception ever crosses an export or a public
// operation. A caught exception becomes a level-1 print and a failure result.
#ifndef KEL_BOUNDARY_GUARD_H
#define KEL_BOUNDARY_GUARD_H

#include <exception>
#include <type_traits>

#include "kel/KelPluginBoundary.h"

namespace KelPluginInterface::boundary {

// Prints "<KelPlugin> <where>: unexpected exception: <what>\n" at print level 1.
void reportUnexpectedException(const char* where, const char* what) noexcept;

// Runs `body` and returns its value; on an exception reports it and returns `onFailure`.
template <typename Body, typename Result = std::invoke_result_t<Body>>
Result guarded(const char* where, Result onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& error) {
        reportUnexpectedException(where, error.what());
    } catch (...) {
        reportUnexpectedException(where, "unknown exception");
    }
    return onFailure;
}

// The common case: a KelResult that becomes KEL_FAILURE on an exception.
template <typename Body>
KelResult guardedResult(const char* where, Body&& body) noexcept {
    return guarded(where, KEL_FAILURE, static_cast<Body&&>(body));
}

}  // namespace KelPluginInterface::boundary

#endif  // KEL_BOUNDARY_GUARD_H
