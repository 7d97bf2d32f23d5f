// Opcode names, state codes and the content test.
#include "kelxsvf/XsvfCommands.h"

namespace kelxsvf {

const char* opcodeName(uint8_t opcode) {
    static constexpr const char* kNames[] = {
        "XCOMPLETE", "XTDOMASK", "XSIR",     "XSDR",         "XRUNTEST", nullptr,  nullptr,
        "XREPEAT",   "XSDRSIZE", "XSDRTDO",  "XSETSDRMASKS", "XSDRINC",  "XSDRB",  "XSDRC",
        "XSDRE",     "XSDRTDOB", "XSDRTDOC", "XSDRTDOE",     "XSTATE",   "XENDIR", "XENDDR",
        "XSIR2",     "XCOMMENT", "XWAIT",    "XWAITSTATE"};
    if (opcode < sizeof kNames / sizeof kNames[0]) {
        return kNames[opcode];
    }
    return opcode == static_cast<uint8_t>(Opcode::XTRST) ? "XTRST" : nullptr;
}

// The published codes follow the TAP states' own order.
std::optional<KelPluginInterface::TapState> stateFromCode(uint8_t code) {
    if (code >= KelPluginInterface::KELJTAG_STATE_COUNT) {
        return std::nullopt;
    }
    return static_cast<KelPluginInterface::TapState>(code);
}

uint8_t codeOfState(KelPluginInterface::TapState state) {
    return static_cast<uint8_t>(state);
}

bool looksLikeXsvf(std::string_view start) {
    for (const char c : start.substr(0, 4096)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\v' &&
            byte != '\f') {
            return true;
        }
    }
    return false;
}

}  // namespace kelxsvf
