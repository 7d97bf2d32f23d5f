// Formats a plug-in print the way a host's printf would.
#ifndef KELHOST_FORMAT_PRINT_H
#define KELHOST_FORMAT_PRINT_H

#include <cstdarg>
#include <string>

namespace kelhost {

// The text of `format` with `args`; `args` stays usable (it is copied before each use). A null
// format or a formatting error gives an empty text.
std::string formatPrint(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace kelhost

#endif  // KELHOST_FORMAT_PRINT_H
