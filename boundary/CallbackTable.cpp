#include "CallbackTable.h"

namespace KelPluginInterface::boundary {
namespace {
KelPluginCallbacks table{};
}

const KelPluginCallbacks& callbacks() {
    return table;
}

void setCallbacks(const KelPluginCallbacks* newTable) {
    if (newTable != nullptr) {
        table = *newTable;
    }
}

void dumpBuffer(const char* label, const uint8_t* buffer, uint32_t bitCount) {
    if (table.dumpBufferCallback != nullptr) {
        table.dumpBufferCallback(KEL_PRINT_DUMP, label, buffer, bitCount);
    }
}

}  // namespace KelPluginInterface::boundary
