#include "Guard.h"

#include "Messages.h"

namespace KelPluginInterface::boundary {

void reportUnexpectedException(const char* where, const char* what) noexcept {
    print(KEL_PRINT_ERROR, "<KelPlugin> %s: unexpected exception: %s\n", where,
          what != nullptr ? what : "");
}

}  // namespace KelPluginInterface::boundary
