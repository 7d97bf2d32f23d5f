#include "Messages.h"

#include "CallbackTable.h"
#include "kel/KelPluginBoundary.h"

namespace KelPluginInterface::boundary {
namespace {

struct MessageRoute {
    const char* format;
    uint32_t printLevel;
};

MessageRoute routeFor(uint32_t level) {
    switch (level) {
        case KEL_MSG_ERROR:
            return {"<KelPlugin> Error:%s", KEL_PRINT_ERROR};
        case KEL_MSG_WARNING:
            return {"<KelPlugin> Warning:%s", KEL_PRINT_ERROR};
        case KEL_MSG_STATUS:
            return {"<KelPlugin> Status:%s", KEL_PRINT_STATUS};
        case KEL_MSG_INFO:
            return {"<KelPlugin> Info:%s", KEL_PRINT_STATUS};
        case KEL_MSG_TEXT:
            return {"<KelPlugin> %s", KEL_PRINT_STATUS};
        default:
            return {"<KelPlugin> Debug:%s", KEL_PRINT_LIST};
    }
}

}  // namespace

void reportMessage(int32_t context, uint32_t level, const char* text) {
    if (text == nullptr || text[0] == '\0') {
        return;
    }
    if (const auto message = callbacks().messageCallback) {
        message(context, level, text);
    }
    // The text is an argument, never the format: a '%' in it is printed literally.
    const MessageRoute route = routeFor(level);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"  // the formats are the fixed texts above
    print(route.printLevel, route.format, text);
#pragma GCC diagnostic pop
}

void vprint(uint32_t level, const char* format, va_list args) {
    if (const auto printCallback = callbacks().printCallback) {
        printCallback(level, format, args);
    }
}

void print(uint32_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint(level, format, args);
    va_end(args);
}

}  // namespace KelPluginInterface::boundary
