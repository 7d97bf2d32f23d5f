#include "kelhost/FormatPrint.h"

#include <cstdio>

namespace kelhost {

std::string formatPrint(const char* format, va_list args) {
    if (format == nullptr) {
        return {};
    }
    // Measuring consumes a va_list, so each pass works on its own copy.
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    va_list write;
    va_copy(write, args);
    std::vsnprintf(text.data(), text.size(), format, write);
    va_end(write);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace kelhost
