// The XSVF command set: opcodes, the state codes of XSTATE and XWAIT, and how an XSVF file is
// told from SVF text by its content.
//
// XSVF vectors are written most significant byte first, as SVF hex is: the last byte's lowest
// bit is the first into TDI. Lengths and times are big-endian: XSDRSIZE, XRUNTEST and XWAIT four
// bytes, XSIR one, XSIR2 two.
#ifndef KELXSVF_XSVF_COMMANDS_H
#define KELXSVF_XSVF_COMMANDS_H

#include <cstdint>
#include <optional>
#include <string_view>

#include "kel/TapStateMachine.h"

namespace kelxsvf {

enum class Opcode : uint8_t {
    XCOMPLETE = 0x00,
    XTDOMASK = 0x01,
    XSIR = 0x02,
    XSDR = 0x03,
    XRUNTEST = 0x04,
    XREPEAT = 0x07,
    XSDRSIZE = 0x08,
    XSDRTDO = 0x09,
    XSETSDRMASKS = 0x0A,
    XSDRINC = 0x0B,
    XSDRB = 0x0C,
    XSDRC = 0x0D,
    XSDRE = 0x0E,
    XSDRTDOB = 0x0F,
    XSDRTDOC = 0x10,
    XSDRTDOE = 0x11,
    XSTATE = 0x12,
    XENDIR = 0x13,
    XENDDR = 0x14,
    XSIR2 = 0x15,
    XCOMMENT = 0x16,
    XWAIT = 0x17,
    // A dialect's, not in the published set: read, never written.
    XWAITSTATE = 0x18,
    XTRST = 0x1C,
};

// "XSDRTDO", or null for a byte that is no command.
const char* opcodeName(uint8_t opcode);

// XSTATE/XWAIT codes 0..15 in the order of the published format (0 RESET, 1 IDLE, 2 DRSELECT
// ... 15 IRUPDATE), to the TAP states and back.
std::optional<KelPluginInterface::TapState> stateFromCode(uint8_t code);
uint8_t codeOfState(KelPluginInterface::TapState state);

// Whether the start of a file is XSVF rather than SVF text: SVF is text, so a control byte
// other than white space (NUL above all, which every XSVF length holds) means XSVF.
bool looksLikeXsvf(std::string_view start);

}  // namespace kelxsvf

#endif  // KELXSVF_XSVF_COMMANDS_H
