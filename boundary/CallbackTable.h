// The module-wide copy of the host's callback table, shared by every target of the library.
#ifndef KEL_BOUNDARY_CALLBACK_TABLE_H
#define KEL_BOUNDARY_CALLBACK_TABLE_H

#include <cstdint>

#include "kel/KelPluginBoundary.h"

namespace KelPluginInterface::boundary {

// The stored table; every entry starts null. Callers skip a null entry silently.
const KelPluginCallbacks& callbacks();

// Replaces all five entries (null entries included); a null record changes nothing.
void setCallbacks(const KelPluginCallbacks* table);

// Sends a bit buffer to dumpBufferCallback at print level 5, when one is registered.
void dumpBuffer(const char* label, const uint8_t* buffer, uint32_t bitCount);

inline bool wantsDumps() {
    return callbacks().dumpBufferCallback != nullptr;
}

}  // namespace KelPluginInterface::boundary

#endif  // KEL_BOUNDARY_CALLBACK_TABLE_H
