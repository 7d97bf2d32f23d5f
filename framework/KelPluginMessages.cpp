// A target's messages and prints, handed to the boundary, which owns the host's callbacks.
#include <cstdarg>

#include "boundary/Messages.h"
#include "kel/KelPlugin.h"

namespace KelPluginInterface {

void KelPlugin::reportMessage(uint32_t level, const char* text) {
    boundary::reportMessage(messageContext, level, text);
}

void KelPlugin::printMessage(uint32_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    boundary::vprint(level, format, args);
    va_end(args);
}

}  // namespace KelPluginInterface
