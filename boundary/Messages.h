// Every text of the plug-in reaches the host through here: prints to printCallback, messages to
// messageCallback and, echoed with their level's prefix, to printCallback.
#ifndef KEL_BOUNDARY_MESSAGES_H
#define KEL_BOUNDARY_MESSAGES_H

#include <cstdarg>
#include <cstdint>

namespace KelPluginInterface::boundary {

void vprint(uint32_t level, const char* format, va_list args);
void print(uint32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// An empty or null text is no message.
void reportMessage(int32_t context, uint32_t level, const char* text);

}  // namespace KelPluginInterface::boundary

#endif  // KEL_BOUNDARY_MESSAGES_H
